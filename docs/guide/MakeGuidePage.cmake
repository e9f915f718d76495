# Renders MARKDOWN with CMARK and wraps the HTML into a whole page OUTPUT: UTF-8, titled after the
# guide's first heading, styled for reading, with no script.
file(STRINGS ${MARKDOWN} heading REGEX "^# " LIMIT_COUNT 1 ENCODING UTF-8)
string(REGEX REPLACE "^# +" "" title "${heading}")
string(REPLACE "&" "&amp;" title "${title}")
string(REPLACE "<" "&lt;" title "${title}")
execute_process(COMMAND ${CMARK} --to html ${MARKDOWN} OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmark could not render ${MARKDOWN}: ${status}")
endif()
file(
  WRITE ${OUTPUT}
  "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<title>${title}</title>
<style>
body { font-family: sans-serif; line-height: 1.45; max-width: 46em; margin: 1em auto; padding: 0 1em; }
img { max-width: 100%; height: auto; border: 1px solid #ccc; }
code, pre { font-family: monospace; background: #f3f3f3; }
pre { padding: 0.5em; overflow-x: auto; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.5em; }
@media (prefers-color-scheme: dark) {
  body { background: #222; color: #ddd; }
  code, pre { background: #333; }
}
</style>
</head>
<body>
${body}</body>
</html>
")
