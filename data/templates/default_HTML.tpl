<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="%CHARSET">
<title>Velmora Control Manager - ActiveX Control Report</title>
<style>
  body { font-family: "Segoe UI", Tahoma, Verdana, sans-serif; font-size: 10pt; color: #1f2328; background: #f4f5f7; margin: 0; padding: 24px; }
  h1 { font-size: 18pt; font-weight: 600; margin: 0 0 4px 0; color: #0b3d6e; }
  .summary { color: #57606a; margin-bottom: 20px; }
  .summary b { color: #1f2328; }
  .library { background: #ffffff; border: 1px solid #d0d7de; border-radius: 6px; margin-bottom: 18px; overflow: hidden; }
  .library h2 { font-size: 12pt; margin: 0; padding: 8px 12px; background: #e8eef5; border-bottom: 1px solid #d0d7de; }
  .library h2 .status { float: right; font-size: 9pt; font-weight: normal; color: #57606a; }
  table { border-collapse: collapse; width: 100%; }
  th, td { text-align: left; padding: 4px 12px; vertical-align: top; border-bottom: 1px solid #eaeef2; }
  th { width: 160px; color: #57606a; font-weight: normal; }
  table.controls th { width: auto; background: #f6f8fa; color: #1f2328; font-weight: 600; }
  td.mono { font-family: Consolas, "Courier New", monospace; font-size: 9pt; }
  .footer { color: #8c959f; font-size: 8pt; margin-top: 24px; }
</style>
</head>
<body>
[HEAD]
<h1>ActiveX Control Report</h1>
<div class="summary">Generated %DATE by Velmora Control Manager %APP_VERSION &mdash;
<b>%CONTROL_COUNT</b> controls in <b>%LIB_COUNT</b> libraries, <b>%MISSING_COUNT</b> with missing files.</div>
[TYPELIB]
<div class="library">
<h2>%TYPELIB_NAME <span class="status">%STATUS</span></h2>
<table>
<tr><th>File</th><td class="mono">%FILENAME</td></tr>
<tr><th>Registry view</th><td>%REGISTRY_VIEW</td></tr>
<tr><th>Size</th><td>%FILE_SIZE</td></tr>
<tr><th>Created</th><td>%CREATION_DATE</td></tr>
<tr><th>Last accessed</th><td>%ACCESSED_DATE</td></tr>
<tr><th>Last modified</th><td>%MODIFIED_DATE</td></tr>
<tr><th>Description</th><td>%FILE_DESCRIPTION</td></tr>
<tr><th>File version</th><td>%FILE_VERSION</td></tr>
<tr><th>Copyright</th><td>%FILE_COPYRIGHT</td></tr>
</table>
</div>
[CONTROL]
<div class="library" style="margin: -12px 0 18px 24px;">
<table class="controls">
<tr><th colspan="2">%CONTROL_NAME</th></tr>
<tr><td>Version</td><td>%CONTROL_VERSION</td></tr>
<tr><td>Class identifier</td><td class="mono">%CLSID</td></tr>
<tr><td>Registry view</td><td>%REGISTRY_VIEW</td></tr>
<tr><td>ProgID</td><td class="mono">%PROGID</td></tr>
<tr><td>Type library</td><td class="mono">%TYPELIB</td></tr>
<tr><td>Toolbox bitmap</td><td class="mono">%TOOLBOX_BITMAP</td></tr>
</table>
</div>
[FOOT]
<div class="footer">End of report.</div>
</body>
</html>
