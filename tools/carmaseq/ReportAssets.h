// The style sheet and script that the HTML report carries inline.
#ifndef CARMASEQ_TOOLS_CARMASEQ_REPORTASSETS_H_
#define CARMASEQ_TOOLS_CARMASEQ_REPORTASSETS_H_

namespace carmaseq_cli {

// The contents of the report's <style> element.
extern const char kReportStyle[];

// The contents of the report's <script> element, placed at the end of <body>. It sorts the rule
// table (header buttons, or "#sort=COLUMN[&dir=asc|desc]" in the address), filters it by an item
// ("#filter=TEXT" or the box), shows the rule of a pointed-at point, and writes any script error
// into #script-errors. Once set up it marks <html> with data-script="ready".
extern const char kReportScript[];

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_REPORTASSETS_H_
