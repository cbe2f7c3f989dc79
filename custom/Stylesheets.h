// The file names of the host's XSL stylesheets that generated definitions name
// as the defaults of their "ExportXSL" and "ImportXSL" variables. The host
// application ships stylesheets under exactly these names.
#pragma once

namespace compoundparser {

// GPS vector data (CustomVectorFormat).
constexpr const char kVectorExportStylesheet[] = "GPSVectorExport.xsl";
constexpr const char kVectorImportStylesheet[] = "GPSVectorImport.xsl";

// Raw total-station observations (TSRawCustomFormat).
constexpr const char kTSRawExportStylesheet[] = "TSRawExport.xsl";
constexpr const char kTSRawImportStylesheet[] = "TSRawImport.xsl";

}  // namespace compoundparser
