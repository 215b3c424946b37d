// The airport/navaid converters, end to end: small inputs in each source's
// format go through the converter and the archive writer, and are read back
// with the chart's own NavDatabase.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstring>
#include <set>

#include "nav_database.h"
#include "navconv.h"
#include "test_dir.h"

namespace {

bool writeGzip(const std::string& path, const std::string& text) {
  gzFile f = gzopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = gzwrite(f, text.data(), static_cast<unsigned>(text.size())) == static_cast<int>(text.size());
  return gzclose(f) == Z_OK && ok;
}

const NavaidRecord* findNavaid(const std::vector<NavaidRecord>& list, const char* ident) {
  for (const NavaidRecord& n : list)
    if (!std::strcmp(n.ident, ident)) return &n;
  return nullptr;
}

const AirportRecord* findAirport(const NavDatabase& db, const char* ident) {
  for (const AirportRecord& a : db.airports)
    if (!std::strcmp(a.ident, ident)) return &a;
  return nullptr;
}

int runStatus(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(NavconvText, NamesVariationsAndLongitudes) {
  EXPECT_EQ(toLatin1("Z\xC3\xBCrich"), "Z\xFCrich");      // UTF-8 ü
  EXPECT_EQ(toLatin1("Z\xFCrich"), "Z\xFCrich");          // already Latin-1
  EXPECT_EQ(toLatin1("\xC5\x81\xC3\xB3\x64\xC5\xBA"), "L\xF3\x64z");  // Łódź: ł and ź folded
  EXPECT_EQ(toLatin1("\xE6\x9D\xB1\xE4\xBA\xAC"), "??");  // letters with no Latin-1 form
  EXPECT_EQ(toLatin1("\xC0\xAF"), "\xC0\xAF");            // overlong: not UTF-8, kept as bytes

  EXPECT_NEAR(normalizeVariation(356.7), -3.3, 1e-9);
  EXPECT_NEAR(normalizeVariation(3.3), 3.3, 1e-12);
  EXPECT_NEAR(normalizeVariation(-12.0), -12.0, 1e-12);
  EXPECT_NEAR(normalizeVariation(540.0), 180.0, 1e-12);

  EXPECT_DOUBLE_EQ(eastwardLongitudeArcSeconds(-0.01), 1296000.0 - 36.0);
  EXPECT_DOUBLE_EQ(eastwardLongitudeArcSeconds(5.5), 19800.0);
  EXPECT_DOUBLE_EQ(latitudeArcSeconds(-90.0), -324000.0);

  EXPECT_EQ(navaidTypeFlags("VORTAC") & (kNavVor | kNavNdb), uint32_t(kNavVor));
  EXPECT_EQ(navaidTypeFlags("LOM") & (kNavVor | kNavNdb), uint32_t(kNavNdb));
  EXPECT_EQ(navaidTypeFlags("NDB-DME") & (kNavVor | kNavNdb), uint32_t(kNavNdb));
  EXPECT_EQ(navaidTypeFlags("TACAN") & (kNavVor | kNavNdb), 0u);
  EXPECT_EQ(navaidTypeFlags("DME") & (kNavVor | kNavNdb), 0u);
  EXPECT_EQ(navaidTypeFlags("ILS"), 0u);
}

TEST(NavconvText, CsvQuotesCommasAndLineBreaks) {
  EXPECT_EQ(splitCsvRecord("1,\"a, b\",,\"say \"\"hi\"\"\",x"),
            (std::vector<std::string>{"1", "a, b", "", "say \"hi\"", "x"}));
  EXPECT_EQ(splitCsvRecord(""), (std::vector<std::string>{""}));

  ScopedTestDir dir;
  ASSERT_TRUE(dir.write("in.csv", "h1,h2\r\n\"two\r\nlines\",2\r\nlast,3"));
  std::FILE* f = std::fopen(dir.file("in.csv").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string rec;
  std::vector<std::vector<std::string>> rows;
  while (readCsvRecord(f, &rec)) rows.push_back(splitCsvRecord(rec));
  std::fclose(f);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][0], "two\r\nlines");
  EXPECT_EQ(rows[1][1], "2");
  EXPECT_EQ(rows[2][1], "3");
}

TEST(NavconvSimData, NavAndAptFilesReadBackThroughTheDatabase) {
  ScopedTestDir dir;
  ASSERT_FALSE(dir.path().empty());
  ASSERT_TRUE(writeGzip(dir.file("nav.dat.gz"),
      "\r\n810 Version - data cycle 2013.10\r\n"
      "3  57.10371900  009.99557800     57 11670 100    1.0 AAL  AALBORG VOR-DME\r\n"
      "3  40.00000000 -075.00000000    100 11300 100  356.7 PHL  PHILA VORTAC\r\n"
      "2  40.10000000 -075.10000000      0   396  50    0.0 PN   PENN NDB\r\n"
      "2  57.00000000  010.00000000      0   396  50    0.0 AB   ALBORG LOM\r\n"
      "12 57.10371900  009.99557800     57 11670 100    0.0 AAL  AALBORG VOR-DME DME\r\n"
      "4  43.43 5.21 0 10950 18 131.0 IMS LFML 13L ILS-cat-I\r\n"
      "3  91.00000000  000.00000000    100 11300 100    0.0 BAD  BAD VOR\r\n"
      "99\r\n"));
  ASSERT_TRUE(dir.write("apt.dat",
      "I\r\n1000 Version\r\n\r\n"
      "1       74 1 0 LFML Marseille Provence\r\n"
      "100   45.11   1   1 0.00 1 1 1 13L  43.44912530  005.19729576  339.85    0.00 1  1 1 1 31R  43.42727470  "
      "005.22845736  659.89    0.00 1  1 1 1\r\n"
      "1     1416 0 0 LSZH Z\xC3\xBCrich\r\n"
      "100   60.00   1   1 0.25 1 1 1 10  47.46 8.53 0 0 1 0 0 0 28  47.48 8.57 0 0 1 0 0 0\r\n"
      "1      100 0 0 KXYZ [X] Closed field\r\n"
      "100   30.00   1   1 0.25 1 1 1 09  40.0 -75.0 0 0 1 0 0 0 27  40.0 -74.9 0 0 1 0 0 0\r\n"
      "17      10 0 0 XH01 [H] Hospital\r\n"
      "102 H1 40.0 -75.0 0 10 10 1 0 0 0 0\r\n"
      "1       20 0 0 KWST Westfield Caf\xE9\r\n"
      "100   30.00   1   1 0.25 1 1 1 09  35.0 -120.1 0 0 1 0 0 0 27  35.0 -120.2 0 0 1 0 0 0\r\n"
      "99\r\n"));
  NavData data;
  std::string error;
  ASSERT_TRUE(readNavDat(dir.file("nav.dat.gz"), &data, &error)) << error;
  ASSERT_TRUE(readAptDat(dir.file("apt.dat"), &data, &error)) << error;
  finishNavData(&data);
  EXPECT_EQ(data.skippedLines, 1u);       // the VOR at latitude 91
  EXPECT_EQ(data.variationsFilled, 2u);   // both NDBs
  ASSERT_TRUE(writeNavArchives("SYSTEM", data, &error)) << error;

  NavDatabase db;
  ASSERT_TRUE(db.navaidsLoaded && db.airportsLoaded && db.runwaysLoaded);
  EXPECT_EQ(db.navaids.size(), 4u);  // DME and ILS rows are not chart navaids
  EXPECT_EQ(db.vors.size(), 2u);
  EXPECT_EQ(db.ndbs.size(), 2u);

  const NavaidRecord* aal = findNavaid(db.vors, "AAL");
  ASSERT_NE(aal, nullptr);
  EXPECT_STREQ(aal->name, "AALBORG");  // type word dropped
  EXPECT_NEAR(aal->latitude, 5710.3719, 1e-6);
  EXPECT_NEAR(aal->longitude, 999.5578, 1e-6);
  EXPECT_NEAR(aal->variation, 1.0, 1e-12);

  const NavaidRecord* phl = findNavaid(db.vors, "PHL");
  ASSERT_NE(phl, nullptr);
  EXPECT_NEAR(phl->longitude, -7500.0, 1e-6);  // stored as 1296000 - 270000
  EXPECT_NEAR(phl->variation, -3.3, 1e-9);     // 356.7 in the file

  // NDBs carry no variation in this source: each takes its nearest VOR's.
  const NavaidRecord* pn = findNavaid(db.ndbs, "PN");
  const NavaidRecord* ab = findNavaid(db.ndbs, "AB");
  ASSERT_NE(pn, nullptr);
  ASSERT_NE(ab, nullptr);
  EXPECT_NEAR(pn->variation, -3.3, 1e-9);
  EXPECT_NEAR(ab->variation, 1.0, 1e-12);
  EXPECT_STREQ(ab->name, "ALBORG");

  ASSERT_EQ(db.airports.size(), 3u);  // closed field and heliport left out
  const AirportRecord* lfml = findAirport(db, "LFML");
  ASSERT_NE(lfml, nullptr);
  EXPECT_STREQ(lfml->name, "Marseille Provence");
  EXPECT_NEAR(lfml->latitude, (43.44912530 + 43.42727470) / 2 * 100, 1e-6);
  EXPECT_NEAR(lfml->longitude, (5.19729576 + 5.22845736) / 2 * 100, 1e-6);
  const AirportRecord* lszh = findAirport(db, "LSZH");
  ASSERT_NE(lszh, nullptr);
  EXPECT_STREQ(lszh->name, "Z\xFCrich");
  const AirportRecord* kwst = findAirport(db, "KWST");
  ASSERT_NE(kwst, nullptr);
  EXPECT_STREQ(kwst->name, "Westfield Caf\xE9");
  EXPECT_NEAR(kwst->longitude, -12015.0, 1e-6);

  ASSERT_EQ(db.runways.size(), 3u);
  const RunwayRecord& r = db.runways[0];
  EXPECT_STREQ(r.key, "LFML");
  EXPECT_STREQ(r.key2, "13L/31R");
  EXPECT_NEAR(r.latitude1, 43.44912530 * 3600, 1e-6);
  EXPECT_NEAR(r.longitude2, 5.22845736 * 3600, 1e-6);
  EXPECT_NEAR(db.runways[2].longitude1, 1296000 - 120.1 * 3600, 1e-6);

  // Keys are unique and fit their field.
  std::set<std::string> keys;
  for (const NavaidRecord& n : db.navaids) keys.insert(n.key);
  for (const AirportRecord& a : db.airports) keys.insert(a.key);
  EXPECT_EQ(keys.size(), db.navaids.size() + db.airports.size());
}

TEST(NavconvSimData, DamagedOrMissingFilesFail) {
  ScopedTestDir dir;
  NavData data;
  std::string error;
  EXPECT_FALSE(readNavDat(dir.file("none.gz"), &data, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos);
  // A gzip stream cut short must be reported, not taken as a short file.
  std::string rows;
  for (int i = 0; i < 20000; ++i)
    rows += "3  " + std::to_string(40 + i % 40) + ".5 " + std::to_string(i % 170) + ".25 0 11300 100 0.0 V" +
            std::to_string(i) + " SOME VOR\n";
  ASSERT_TRUE(writeGzip(dir.file("full.gz"), rows));
  std::FILE* f = std::fopen(dir.file("full.gz").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<char> buf(1 << 20);
  const size_t n = std::fread(buf.data(), 1, buf.size(), f);
  std::fclose(f);
  ASSERT_GT(n, 1000u);
  ASSERT_TRUE(readNavDat(dir.file("full.gz"), &data, &error)) << error;
  ASSERT_TRUE(dir.write("cut.gz", std::string(buf.data(), n / 2)));
  error.clear();
  NavData cut;
  EXPECT_FALSE(readNavDat(dir.file("cut.gz"), &cut, &error));
  EXPECT_NE(error.find("read error"), std::string::npos) << error;
  EXPECT_GT(cut.navaids.size(), 0u);  // rows were read before the cut: only the check catches it
  ASSERT_TRUE(dir.write("empty.dat", "I\n1000 Version\n99\n"));
  EXPECT_FALSE(readAptDat(dir.file("empty.dat"), &data, &error));
}

TEST(NavconvOurAirports, SmallFilesReadBackThroughTheDatabase) {
  ScopedTestDir dir;
  const std::string head =
      "\"id\",\"filename\",\"ident\",\"name\",\"type\",\"frequency_khz\",\"latitude_deg\",\"longitude_deg\","
      "\"elevation_ft\",\"iso_country\",\"dme_frequency_khz\",\"dme_channel\",\"dme_latitude_deg\","
      "\"dme_longitude_deg\",\"dme_elevation_ft\",\"slaved_variation_deg\",\"magnetic_variation_deg\","
      "\"usageType\",\"power\",\"associated_airport\"\n";
  ASSERT_TRUE(dir.write("navaids.csv", head +
      "1,\"f\",\"SFO\",\"San Francisco\",\"VOR-DME\",115800,37.6195,-122.374,13,\"US\",,,,,,356.7,14.4,,,\n"
      "2,\"f\",\"1B\",\"Sable Island, \"\"North\"\"\",\"NDB\",277,43.9306,-60.0229,,\"CA\",,,,,,,-19.1,,,\n"
      "3,\"f\",\"OS\",\"Oakland S\xC3\xBC\x64\",\"NDB\",277,37.7,-122.2,,\"US\",,,,,,,,,,\n"
      "4,\"f\",\"NKX\",\"Miramar\",\"TACAN\",1,32.8,-117.1,,\"US\",,,,,,,12.0,,,\n"
      "5,\"f\",\"XX\",\"No position\",\"VOR\",1,,,,\"US\",,,,,,,,,,\n"));
  ASSERT_TRUE(dir.write("runways.csv",
      "\"id\",\"airport_ref\",\"airport_ident\",\"length_ft\",\"width_ft\",\"surface\",\"lighted\",\"closed\","
      "\"le_ident\",\"le_latitude_deg\",\"le_longitude_deg\",\"le_elevation_ft\",\"le_heading_degT\","
      "\"le_displaced_threshold_ft\",\"he_ident\",\"he_latitude_deg\",\"he_longitude_deg\",\"he_elevation_ft\","
      "\"he_heading_degT\",\"he_displaced_threshold_ft\"\n"
      "1,1,\"EKYT\",8700,150,\"ASP\",1,0,\"08L\",57.09,9.84,,,,\"26R\",57.10,9.88,,,\n"
      "2,1,\"EKYT\",6000,150,\"ASP\",1,0,\"08R\",57.08,9.84,,,,\"26L\",57.09,9.88,,,\n"
      "3,2,\"00A\",80,80,\"ASPH-G\",1,0,\"H1\",,,,,,,,,,,\n"
      "4,3,\"KSFO\",11000,200,\"ASP\",1,0,\"10L\",37.62,-122.39,,,,\"28R\",37.61,-122.36,,,\n"
      "5,4,\"KOLD\",3000,60,\"ASP\",0,1,\"01\",37.0,-122.0,,,,\"19\",37.1,-122.0,,,\n"));
  NavData data;
  std::string error;
  ASSERT_TRUE(readOurAirportsNavaids(dir.file("navaids.csv"), &data, &error)) << error;
  ASSERT_TRUE(readOurAirportsRunways(dir.file("runways.csv"), true, &data, &error)) << error;
  finishNavData(&data);
  EXPECT_EQ(data.variationsFilled, 1u);  // OS gives no variation
  ASSERT_TRUE(writeNavArchives("SYSTEM", data, &error)) << error;

  NavDatabase db;
  ASSERT_TRUE(db.navaidsLoaded);
  EXPECT_EQ(db.navaids.size(), 4u);
  EXPECT_EQ(db.vors.size(), 1u);
  EXPECT_EQ(db.ndbs.size(), 2u);
  EXPECT_NE(findNavaid(db.navaids, "NKX"), nullptr);  // TACAN: a navaid, neither VOR nor NDB
  EXPECT_EQ(findNavaid(db.vors, "NKX"), nullptr);
  EXPECT_EQ(findNavaid(db.ndbs, "NKX"), nullptr);

  const NavaidRecord* sfo = findNavaid(db.vors, "SFO");
  ASSERT_NE(sfo, nullptr);
  EXPECT_NEAR(sfo->variation, -3.3, 1e-9);  // slaved variation preferred, 0..360 form normalised
  EXPECT_NEAR(sfo->longitude, -12237.4, 1e-6);
  const NavaidRecord* sable = findNavaid(db.ndbs, "1B");
  ASSERT_NE(sable, nullptr);
  EXPECT_STREQ(sable->name, "Sable Island, \"North\"");
  EXPECT_NEAR(sable->variation, -19.1, 1e-12);
  const NavaidRecord* os = findNavaid(db.ndbs, "OS");
  ASSERT_NE(os, nullptr);
  EXPECT_STREQ(os->name, "Oakland S\xFC\x64");
  EXPECT_NEAR(os->variation, -3.3, 1e-9);  // from SFO, the nearest VOR

  EXPECT_EQ(db.runways.size(), 3u);  // no ends or closed: left out
  ASSERT_EQ(db.airports.size(), 2u);
  const AirportRecord* ekyt = findAirport(db, "EKYT");
  ASSERT_NE(ekyt, nullptr);
  EXPECT_NEAR(ekyt->latitude, 5709.0, 1e-6);
  EXPECT_NEAR(ekyt->longitude, 986.0, 1e-6);
  const AirportRecord* ksfo = findAirport(db, "KSFO");
  ASSERT_NE(ksfo, nullptr);
  EXPECT_NEAR(ksfo->longitude, -12237.5, 1e-6);
}

TEST(NavconvOurAirports, AirportsFileAndMissingColumns) {
  ScopedTestDir dir;
  ASSERT_TRUE(dir.write("airports.csv",
      "\"id\",\"ident\",\"type\",\"name\",\"latitude_deg\",\"longitude_deg\",\"elevation_ft\",\"continent\","
      "\"iso_country\",\"iso_region\",\"municipality\",\"scheduled_service\",\"gps_code\",\"iata_code\"\n"
      "1,\"SBGR\",\"large_airport\",\"S\xC3\xA3o Paulo, Guarulhos\",-23.43,-46.47,2459,\"SA\",\"BR\",,,,,\"GRU\"\n"
      "2,\"XH\",\"heliport\",\"Pad\",-23.0,-46.0,,,,,,,,\n"
      "3,\"XC\",\"closed\",\"Gone\",-23.0,-46.0,,,,,,,,\n"));
  NavData data;
  std::string error;
  ASSERT_TRUE(readOurAirportsAirports(dir.file("airports.csv"), &data, &error)) << error;
  ASSERT_EQ(data.airports.size(), 1u);
  EXPECT_EQ(data.airports[0].name, "S\xE3o Paulo, Guarulhos");
  EXPECT_EQ(data.airports[0].shortIdent, "GRU");
  EXPECT_DOUBLE_EQ(data.airports[0].longitudeSeconds, 1296000 - 46.47 * 3600);

  ASSERT_TRUE(dir.write("bad.csv", "\"id\",\"ident\"\n1,\"A\"\n"));
  EXPECT_FALSE(readOurAirportsNavaids(dir.file("bad.csv"), &data, &error));
  EXPECT_NE(error.find("no column"), std::string::npos);
}

TEST(NavconvOurAirports, RealSnapshot) {
  const std::string src = SHARED_DATA_DIR "/ourairports";
  std::FILE* probe = std::fopen((src + "/navaids.csv").c_str(), "rb");
  if (!probe) GTEST_SKIP() << "no OurAirports copy in " << src;
  std::fclose(probe);
  ScopedTestDir dir;
  const std::string cmd = std::string(NAVCONV_PATH) + " oa --navaids " + src + "/navaids.csv --runways " + src +
                          "/runways.csv --out SYSTEM";
  ASSERT_EQ(runStatus(cmd), 0) << cmd;

  NavDatabase db;
  ASSERT_TRUE(db.navaidsLoaded && db.airportsLoaded && db.runwaysLoaded);
  EXPECT_EQ(db.navaids.size(), 11008u);
  EXPECT_EQ(db.vors.size(), 308u + 2601u + 744u);  // VOR, VOR-DME, VORTAC
  EXPECT_EQ(db.ndbs.size(), 6609u + 137u);         // NDB, NDB-DME
  EXPECT_EQ(db.runways.size() > 14000u && db.runways.size() <= 15536u, true) << db.runways.size();

  struct Known { const char* ident; const char* name; bool vor; double lat, lon, variation; } known[] = {
      {"MTG", "Martigues", true, 43.38629913330078, 5.086830139160156, -1.007},
      {"SFO", "San Francisco", true, 37.61949920654297, -122.3740005493164, 17.001},
      {"1B", "Sable Island", false, 43.930599212646484, -60.02289962768555, -19.1},
  };
  for (const Known& k : known) {
    const NavaidRecord* hit = nullptr;
    for (const NavaidRecord& n : k.vor ? db.vors : db.ndbs)
      if (!std::strcmp(n.ident, k.ident) && !std::strcmp(n.name, k.name)) hit = &n;
    ASSERT_NE(hit, nullptr) << k.ident;
    EXPECT_NEAR(hit->latitude, k.lat * 100, 1e-6) << k.ident;
    EXPECT_NEAR(hit->longitude, k.lon * 100, 1e-6) << k.ident;
    EXPECT_NEAR(hit->variation, k.variation, 1e-9) << k.ident;
  }
}

TEST(NavconvCli, BadArgumentsAndMissingFiles) {
  ScopedTestDir dir;
  EXPECT_EQ(runStatus(NAVCONV_PATH), 2);
  EXPECT_EQ(runStatus(std::string(NAVCONV_PATH) + " xx --nav a"), 2);
  EXPECT_EQ(runStatus(std::string(NAVCONV_PATH) + " fg --nav missing.gz --apt missing.gz"), 1);
  std::FILE* f = std::fopen("SYSTEM/NAVAID.POD", "rb");
  EXPECT_EQ(f, nullptr);  // nothing written on failure
  if (f) std::fclose(f);
}
