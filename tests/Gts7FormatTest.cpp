// Topcon GTS-7 files through their bundled definition.
#include <gtest/gtest.h>

#include <string>

#include "tests/FormatTestSupport.h"

namespace compoundparser::testing {
namespace {

const char kGts7[] = "TopconGTS7.xml";

// One variant per file; none has an empty value (see EmptyValues below).
const FormatCase kOwn[] = {
    // The writer's banner, feet and gons, line work and offsets kept as Other, a note with
    // commas, a blank CR LF line at the end.
    {kGts7, "gts7_banner.gts7", nullptr, "",
     "Record#17|Record[1]/Job/Program=GTS-700 v3.0|Record[1]/Job/RecordType#0|"
     "Record/Job[RecordType='JOB']/JobName=ROAD7|"
     "Record/Job[RecordType='JOB']/JobDescription=EAST SIDE|"
     "Record/Job[RecordType='DATE']/Time=10:54:16|Record/Job[RecordType='NAME']/Surveyor=J SMITH|"
     "Record/Units/LinearUnit=Feet|Record/Units/AngularUnit=Gons|"
     "Record/Units[RecordType='ATMOS']/Pressure=1010.0|Record/Station/StationPoint=S1|"
     "Record/Station/InstrumentHeight=5.10|Record/Point/Northing=2000.000|"
     "Record/Point/Easting=1000.000|Record/Backsight[RecordType='BKB']/BacksightCircle=0.00000|"
     "Record/Backsight[RecordType='BS']/Code=PEG|"
     "Record/Observation[RecordType='FS']/StringNumber=2|"
     "Record/Observation[RecordType='HD']/VerticalDistance=-0.275|Record/Other#2|"
     "Record/Other[1]/RecordType=CTL|Record/Other[RecordType='OFFSET']/"
     "RecordText=0.500,0.000,0.000|"
     "Record/Comment/Text=wet, windy|Record[17]/Blank=true|Record[17]/*#1|"
     "DataFile/LineEnd=CRLF"},
    // No banner; byte order mark, LF, resection shots before the station, a line of blanks, a
    // last line without line end followed by ETX, a line end and 0x1A.
    {kGts7, "gts7_untidy.gts7", nullptr, "",
     "ByteOrderMark=UTF-8|Record[Blank!='after ETX' or not(Blank)]#7|"
     "Record[1]/Job/JobName=PLAIN|Record/Observation[RecordType='RES_OBS']/PointNumber=R1|"
     "Record[4]/Blanks=3|Record[4]/Blank=true|Record/Station/StationPoint=S5|"
     "Record[7]/Observation/ZenithAngle=91.1100|EndOfText=ETX|Record[Blank='after ETX']#1|"
     "EndOfFile=SUB|DataFile/LineEnd=LF|Record/NoLineEnd=true"},
    // CR CR CR LF, a keyword alone on its line, 0x1A LF at the end.
    {kGts7, "gts7_crcrcrlf.gts7", nullptr, "",
     "Record#6|Record/Units/AngularUnit=DMS|Record/Units/LinearUnit=Meters|"
     "Record/Other/RecordText=TEMP|Record/Other/RecordType#0|"
     "Record/Observation[RecordType='SD']/SlopeDistance=14.250|EndOfFile=SUB LF|"
     "DataFile/LineEnd=CRCRCRLF"},
};

// Empty values (a trailing comma) are empty elements, written back after the document was
// saved and loaded again; CR line ends.
const FormatCase kEmptyValues[] = {
    {kGts7, "gts7_small.gts7", nullptr, "",
     "Record#12|Record/Job/JobName=SMALL|Record/Job/JobDescription#1|"
     "Record/Job/JobDescription=|Record/Units/AngularUnit=Gons|Record/Station/Code=BASE|"
     "Record/Point/Northing=5000.000|Record[11]/Observation/PointNumber=P2|"
     "Record[11]/Observation/Code#1|Record[11]/Observation/Code=|"
     "Record[12]/Observation/VerticalDistance=-1.250|DataFile/LineEnd=CR"},
};

const FormatCase kShared[] = {
    {kGts7, "topcon_gts7/jkv.gts7", nullptr, "",
     "Record#19|Record/Other#0|Record[1]/Job/Program=TopSURV v6.04(OnBoard)|"
     "Record/Instrument/InstrumentText=GPT-7000|Record/Units/LinearUnit=Meters|"
     "Record/Units/AngularUnit=DMS|Record/Units[RecordType='SCALE']/ScaleFactor=1.000000|"
     "Record/Units[RecordType='TEMP']/Temperature=20.0|Record/Station/StationPoint=1001|"
     "Record/Station/Code=|Record/Point#2|Record/Point[1]/Easting=4000.000|"
     "Record/Point[1]/Northing=2000.000|Record/Backsight[RecordType='BKB']/BacksightPoint=1002|"
     "Record/Observation[RecordType='HV']/ZenithAngle=87.46350|"
     "Record/Observation[RecordType='SS']#3|"
     "Record/Observation[RecordType='SS'][1]/Code=epsarok|"
     "Record[Observation][last()]/Observation/SlopeDistance=3.2020|DataFile/LineEnd=LF"},
};

// A keyword line must come first, or the banner and then a keyword line. The message names
// the last keyword tried where neither is found: on line 1, or on line 2 after a banner.
const RefusedCase kRefusedOwn[] = {
    {"gts7_not_keywords.gts7", "In 14 pos. literal 'JOB     ' not found\n"},
    {"gts7_older_packed.txt", "In 18 pos. literal 'JOB     ' not found\n"},
    {"sdr33_small.sdr", "In 47 pos. literal 'JOB     ' not found\n"},
    {"sdr2x_layout.sdr", "In 47 pos. literal 'JOB     ' not found\n"},
    {"gsi8_points.gsi", "In 82 pos. literal 'JOB     ' not found\n"},
    {"nikon_small.raw", "In 32 pos. literal 'JOB     ' not found\n"},
    {"rw5_small.rw5", "In 35 pos. literal 'JOB     ' not found\n"},
    {"pnezd_comma.csv", "In 11 pos. literal 'JOB     ' not found\n"},
    {"penzd_tab.txt", "In 36 pos. literal 'JOB     ' not found\n"},
};

const RefusedCase kRefusedShared[] = {
    {"leica_gsi/leica_gsi16_gurob.gsi", "In 170 pos. literal 'JOB     ' not found\n"},
    {"leica_gsi/leica_gsi8_ertola.gsi", "In 178 pos. literal 'JOB     ' not found\n"},
    {"nikon_raw/nikon_raw_v200.raw", "In 31 pos. literal 'JOB     ' not found\n"},
    {"nikon_raw/nikon_dtm.raw", "In 31 pos. literal 'JOB     ' not found\n"},
    {"nikon_raw/ruide_group_1_obs.sdr", "In 18 pos. literal 'JOB     ' not found\n"},
    {"carlson_rw5/Leica1200.rw5", "In 30 pos. literal 'JOB     ' not found\n"},
    {"carlson_rw5/pygez_test.rw5", "In 39 pos. literal 'JOB     ' not found\n"},
    {"sokkia_sdr33/sokkia_sdr33_polar.sdr", "In 47 pos. literal 'JOB     ' not found\n"},
    {"sokkia_sdr33/focus6_1.sdr", "In 49 pos. literal 'JOB     ' not found\n"},
    {"pnezd/topo0.asc", "In 42 pos. literal 'JOB     ' not found\n"},
};

TEST(Gts7Format, OwnFilesReadAndExportBack) {
  for (const FormatCase& c : kOwn) ImportAndExport(c);
}

TEST(Gts7Format, EmptyValuesSurviveTheSavedDocument) {
  for (const FormatCase& c : kEmptyValues) ImportAndExport(c);
}

TEST(Gts7Format, SharedSamplesReadAndExportBack) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const FormatCase& c : kShared) ImportAndExport(c);
}

TEST(Gts7Format, FilesOfOtherFormatsAreRefused) {
  for (const RefusedCase& c : kRefusedOwn) ExpectRefused(kGts7, c);
}

TEST(Gts7Format, SharedSamplesOfOtherFormatsAreRefused) {
  CP_REQUIRE_SHARED_SAMPLES();
  for (const RefusedCase& c : kRefusedShared) ExpectRefused(kGts7, c);
}

// XYZ lines carry no point number (it is on the STN, BKB or shot line before them, and a
// definition cannot carry a value from one line to the next): the point list gets their
// coordinates, northing first, with an empty point number.
TEST(Gts7Format, CoordinatesConvertToPointLists) {
  const std::string points =
      Converted(kGts7, kOwnFormatsDir + "gts7_banner.gts7", "PNEZDComma.xml");
  EXPECT_NE(points.find(",2000.000,1000.000,50.000"), std::string::npos) << points;
  EXPECT_EQ(points.find("<fail>"), std::string::npos) << points;
}

}  // namespace
}  // namespace compoundparser::testing
