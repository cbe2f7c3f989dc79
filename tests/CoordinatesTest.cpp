// Coordinates from observations: small documents of the shared vocabulary,
// each with the points worked out by hand (plain trigonometry in a
// calculator, not this code) and the warnings the computation must give.
#include <gtest/gtest.h>

#include <string>

#include "survey/Coordinates.h"
#include "survey/Survey.h"
#include "tests/SurveyTestSupport.h"

namespace compoundparser::testing {
namespace {

using survey::ComputePoints;
using survey::PointsResult;
using survey::ReadSurvey;

// The station of most cases: N 1000, E 2000, H 100, instrument height 1.5.
#define STATION_S1                                                                      \
  "Station:StationPoint=S1,StationNorthing=1000,StationEasting=2000,StationHeight=100," \
  "InstrumentHeight=1.5;"
#define S1_POINT "S1=1000,2000,100;"

struct PointsCase {
  const char* what;
  const char* records;
  const char* points;    // "name=N,E,H;..." in the file's linear unit
  const char* warnings;  // joined by '\n'
};

const PointsCase kPointCases[] = {
    // Angular units.
    {"gons",
     "Units:AngularUnit=Gons,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=150.1234,ZenithAngle=95.5,SlopeDistance=80,"
     "PrismHeight=1.3",
     S1_POINT "P1=943.4635,2056.3178,105.8502", ""},
    {"DMS, ddd.mmss",
     "Units:AngularUnit=DMS,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=120.4708,ZenithAngle=88.5654,"
     "SlopeDistance=100,PrismHeight=1.3",
     S1_POINT "P1=948.8260,2085.8944,102.0354", ""},
    {"decimal degrees",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=120.785555,ZenithAngle=91.25,SlopeDistance=50,"
     "PrismHeight=1.3",
     S1_POINT "P1=974.4148,2042.9442,99.1093", ""},
    {"mils",
     "Units:AngularUnit=Mils,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=1000,ZenithAngle=1550,SlopeDistance=60,"
     "PrismHeight=1.3",
     S1_POINT "P1=1033.2941,2049.8281,103.1441", ""},
    // Linear units: the result stays in the file's unit.
    {"international feet",
     "Units:AngularUnit=Degrees,LinearUnit=Feet;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=90,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=1000,2100,100", ""},
    {"a unit per value: metres first, a slope distance in feet and one in US survey feet",
     "Station:StationPoint=S1,StationNorthing=304.8,StationNorthingUnit=Meters,"
     "StationEasting=0,StationEastingUnit=Meters,StationHeight=0,StationHeightUnit=Meters;"
     "Observation:PointNumber=P1,HorizontalAngle=0,HorizontalAngleUnit=Gons,ZenithAngle=100,"
     "ZenithAngleUnit=Gons,SlopeDistance=100,SlopeDistanceUnit=Feet;"
     "Observation:PointNumber=P2,HorizontalAngle=0,HorizontalAngleUnit=Gons,ZenithAngle=100,"
     "ZenithAngleUnit=Gons,SlopeDistance=100,SlopeDistanceUnit=USFeet",
     "S1=304.8,0,0;P1=335.28,0,0;P2=335.2801,0,0", ""},
    {"US survey feet from the units record, a distance in metres converted",
     "Units:AngularUnit=Gons,LinearUnit=USFeet;"
     "Station:StationPoint=S1,StationNorthing=0,StationEasting=0,StationHeight=0;"
     "Observation:PointNumber=P1,HorizontalAngle=100,ZenithAngle=100,SlopeDistance=30.48006096,"
     "SlopeDistanceUnit=Meters",
     "S1=0,0,0;P1=0,100,0", ""},
    // Where the station stands.
    {"a station without coordinates stands at 0,0,0",
     "Units:AngularUnit=Gons,LinearUnit=Meters;Station:StationPoint=S9,InstrumentHeight=1.5;"
     "Observation:PointNumber=P1,HorizontalAngle=100,ZenithAngle=100,SlopeDistance=10,"
     "PrismHeight=1.5",
     "P1=0,10,0", "station S9: no coordinates in the file; 0,0,0 used"},
    {"shots before any station record",
     "Observation:PointNumber=P1,HorizontalAngle=0,ZenithAngle=100,SlopeDistance=10,"
     "InstrumentHeight=1.2,PrismHeight=1.5",
     "P1=10,0,-0.3",
     "the observations before the first station record (from record 1): no coordinates in the "
     "file; 0,0,0 used"},
    {"a station placed by a point earlier in the file",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;"
     "Point:PointNumber=S1,Northing=500,Easting=600,OrthoHeight=50;"
     "Station:StationPoint=S1,InstrumentHeight=1.5;"
     "Observation:PointNumber=P1,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=10,"
     "PrismHeight=1.5",
     "S1=500,600,50;P1=510,600,50", ""},
    {"a traverse: the second station is a point computed before it",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=S2,HorizontalAngle=90,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5;"
     "Station:StationPoint=S2,InstrumentHeight=1.5,BacksightPoint=S1,BacksightCircle=0;"
     "Observation:PointNumber=P1,HorizontalAngle=90,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "S2=1000,2100,100;P1=1100,2100,100", ""},
    // Orientation.
    {"a backsight by bearing with the circle reading on it",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Backsight:StationPoint=S1,BacksightPoint=B,BacksightBearing=90,BacksightCircle=30;"
     "Observation:PointNumber=P1,HorizontalAngle=120,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=900,2000,100", ""},
    {"a backsight by bearing, the circle read on the backsight shot",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Backsight:BacksightPoint=B,BacksightBearing=90;"
     "Observation:PointNumber=B,HorizontalAngle=40,ZenithAngle=90;"
     "Observation:PointNumber=P1,HorizontalAngle=130,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=900,2000,100", ""},
    {"a backsight to a known point",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;"
     "Point:PointNumber=B,Northing=1000,Easting=2100;" STATION_S1
     "Backsight:BacksightPoint=B,BacksightCircle=10;"
     "Observation:PointNumber=P1,HorizontalAngle=100,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     "B=1000,2100,;" S1_POINT "P1=900,2000,100", ""},
    {"a backsight bearing counted from south",
     "Units:AngularUnit=Degrees,LinearUnit=Meters,AzimuthDirection=1;" STATION_S1
     "Backsight:BacksightPoint=B,BacksightBearing=90,BacksightCircle=0;"
     "Observation:PointNumber=P1,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=1000,1900,100", ""},
    // Kinds of direction and distance.
    {"an observation with a horizontal distance only",
     "Units:AngularUnit=Gons,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=0,HorizontalDistance=50",
     S1_POINT "P1=1050,2000,", ""},
    {"a horizontal distance and a height difference",
     "Units:AngularUnit=Gons,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=0,HorizontalDistance=50,VerticalDistance=2,"
     "PrismHeight=1.3",
     S1_POINT "P1=1050,2000,102.2", ""},
    {"a horizontal distance and a zenith angle",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=0,HorizontalDistance=50,ZenithAngle=45,"
     "PrismHeight=1.5",
     S1_POINT "P1=1050,2000,150", ""},
    {"a vertical angle from the horizon",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=0,VerticalAngle=10,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=1098.4808,2000,117.3648", ""},
    {"an angle left",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,AngleLeft=90,ZenithAngle=90,SlopeDistance=100,PrismHeight=1.5",
     S1_POINT "P1=1000,1900,100", ""},
    {"an azimuth counted from south",
     "Units:AngularUnit=Degrees,LinearUnit=Meters,AzimuthDirection=1;" STATION_S1
     "Observation:PointNumber=P1,Azimuth=0,ZenithAngle=90,SlopeDistance=100,PrismHeight=1.5",
     S1_POINT "P1=900,2000,100", ""},
    {"a quadrant bearing",
     "Units:AngularUnit=DMS,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,Bearing=S45.0000E,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=929.2893,2070.7107,100", ""},
    {"a deflection right from the line from the backsight",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Backsight:BacksightPoint=B,BacksightBearing=0,BacksightCircle=0;"
     "Observation:PointNumber=P1,DeflectionRight=30,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=913.3975,1950,100", ""},
    {"angles counted left (SDR header)",
     "Units:AngularUnit=Degrees,LinearUnit=Meters,AngleDirection=Left;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=90,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=1000,1900,100", ""},
    // Heights in force.
    {"heights given by a target height record, changed after a shot",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;"
     "Station:StationPoint=S1,StationNorthing=0,StationEasting=0,StationHeight=10;"
     "TargetHeight:InstrumentHeight=2,PrismHeight=1;"
     "Observation:PointNumber=P1,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=10;"
     "TargetHeight:InstrumentHeight=1,PrismHeight=3;"
     "Observation:PointNumber=P2,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=10",
     "S1=0,0,10;P1=10,0,11;P2=10,0,8", ""},
    {"a shot written as a header line and a measurement line (GTS-7)",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Observation:RecordType=SS,PointNumber=P1,PrismHeight=1.5,Code=TREE;"
     "Observation:RecordType=SD,HorizontalAngle=180,ZenithAngle=90,SlopeDistance=100",
     S1_POINT "P1=900,2000,100", ""},
    {"coordinates after the station line belong to the station (GTS-7 XYZ)",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;"
     "Station:RecordType=STN,StationPoint=S1,InstrumentHeight=1.5;"
     "Point:RecordType=XYZ,Easting=2000,Northing=1000,OrthoHeight=100;"
     "Observation:PointNumber=P1,HorizontalAngle=180,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=900,2000,100", ""},
    // What the file holds itself.
    {"the file's coordinates win over the computed ones",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Observation:PointNumber=P1,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=100;"
     "Point:PointNumber=P1,Northing=1100.002,Easting=2000.001,OrthoHeight=101.5",
     S1_POINT "P1=1100.002,2000.001,101.5", ""},
    {"a record holding the observation and its coordinates (GSI)",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Point:PointNumber=P1,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=100,"
     "Northing=1100.002,Easting=2000.001,OrthoHeight=101.5",
     S1_POINT "P1=1100.002,2000.001,101.5", ""},
    {"a record marked deleted is passed over",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "*Observation:PointNumber=P1,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=100;"
     "Observation:PointNumber=P1,HorizontalAngle=90,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=1000,2100,100", ""},
    {"a design point is no surveyed point",
     "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
     "Point:RecordType=DE,PointNumber=P1,Northing=0,Easting=0;"
     "Observation:PointNumber=P1,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=100,"
     "PrismHeight=1.5",
     S1_POINT "P1=1100,2000,100", ""},
    {"a point list's points stand right below data",
     "data.Point:PointNumber=1,Northing=5,Easting=6,OrthoHeight=7;"
     "data.Point:PointNumber=2,Northing=8,Easting=9",
     "1=5,6,7;2=8,9,", ""},
};

TEST(Coordinates, PointsFromObservations) {
  for (const PointsCase& c : kPointCases) {
    SCOPED_TRACE(c.what);
    const XmlDocument document = RecordsDocument(c.records);
    const PointsResult result = ComputePoints(ReadSurvey(document.DocumentElement()));
    ExpectPoints(result, c.points, 0.00051);
    std::string warnings;
    for (const std::string& warning : result.warnings) {
      warnings += (warnings.empty() ? "" : "\n") + warning;
    }
    EXPECT_EQ(warnings, c.warnings);
  }
}

// Shots that give no point, and the counts that say why.
TEST(Coordinates, ShotsWithoutPointAreCounted) {
  const XmlDocument document = RecordsDocument(
      "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
      "Observation:PointNumber=P1,HorizontalAngle=0,ZenithAngle=90;"
      "Observation:PointNumber=P2,HorizontalAngle=0,SlopeDistance=10;"
      "Observation:PointNumber=P3,ZenithAngle=90,SlopeDistance=10;"
      "Observation:PointNumber=P4,DeflectionRight=10,ZenithAngle=90,SlopeDistance=10;"
      "Observation:PointNumber=P5,HorizontalAngle=0,ZenithAngle=90,SlopeDistance=10");
  const PointsResult result = ComputePoints(ReadSurvey(document.DocumentElement()));
  EXPECT_EQ(result.shots, 5u);
  EXPECT_EQ(result.computed, 1u);
  EXPECT_EQ(result.withoutDistance, 1u);
  EXPECT_EQ(result.withoutZenith, 1u);
  // P3 has no horizontal angle, and a deflection without a backsight bearing
  // has no direction to turn from.
  EXPECT_EQ(result.withoutDirection, 2u);
  EXPECT_EQ(result.stations, 1u);
}

struct NoteCase {
  const char* records;
  const char* note;
};

// Values that are not numbers in their unit are left out with a note naming them.
const NoteCase kBadValues[] = {
    {"Units:AngularUnit=Gons;Observation:PointNumber=P1,HorizontalAngle=abc",
     "record 2: HorizontalAngle \"abc\" is not a number in Gons; left out"},
    {"Units:AngularUnit=DMS;Observation:PointNumber=P1,ZenithAngle=90.6000",
     "record 2: ZenithAngle \"90.6000\" is not a number in DMS; left out"},
    {"Units:AngularUnit=DMS;Observation:PointNumber=P1,ZenithAngle=90.0060",
     "record 2: ZenithAngle \"90.0060\" is not a number in DMS; left out"},
    {"Units:LinearUnit=Meters;Observation:PointNumber=P1,SlopeDistance=1.5.3",
     "record 2: SlopeDistance \"1.5.3\" is not a number in Meters; left out"},
    {"Units:LinearUnit=Yards", "record 1: unknown linear unit \"Yards\""},
    {"Observation:PointNumber=P1,SlopeDistance=2,SlopeDistanceUnit=Chains",
     "record 1: SlopeDistance: unknown unit \"Chains\""},
    {"Observation:PointNumber=P1,Bearing=E45W",
     "record 1: Bearing \"E45W\" is not a quadrant "
     "bearing; left out"},
};

TEST(Coordinates, ValuesThatAreNotNumbersAreNamed) {
  for (const NoteCase& c : kBadValues) {
    SCOPED_TRACE(c.records);
    const XmlDocument document = RecordsDocument(c.records);
    const survey::Survey survey = ReadSurvey(document.DocumentElement());
    ASSERT_FALSE(survey.notes.empty());
    EXPECT_EQ(survey.notes.front(), c.note);
  }
}

// The points replace the records of the document, each computed one naming
// its station and record.
TEST(Coordinates, WrittenPointsNameStationAndRecord) {
  XmlDocument document = RecordsDocument(
      "Units:AngularUnit=Degrees,LinearUnit=Meters;" STATION_S1
      "Comment:Text=first shot;"
      "Observation:PointNumber=P1,HorizontalAngle=90,ZenithAngle=90,SlopeDistance=100.25,"
      "PrismHeight=1.5,Code=FENCE");
  const PointsResult result = ComputePoints(ReadSurvey(document.DocumentElement()));
  survey::WritePoints(result, document.DocumentElement());
  std::string text = document.SaveToString();
  text = text.substr(text.find("<data>"));
  EXPECT_EQ(text,
            "<data><info/><Units><LinearUnit>Meters</LinearUnit></Units>"
            "<Point><PointNumber>S1</PointNumber><Northing>1000</Northing>"
            "<Easting>2000</Easting><OrthoHeight>100</OrthoHeight><EmptyCode>true</EmptyCode>"
            "</Point>"
            "<Point><PointNumber>P1</PointNumber><Northing>1000.000</Northing>"
            "<Easting>2100.250</Easting><OrthoHeight>100.000</OrthoHeight><Code>FENCE</Code>"
            "<FromStation>S1</FromStation><FromRecord>4</FromRecord></Point></data>");
}

}  // namespace
}  // namespace compoundparser::testing
