# Converts the user guide into a whole HTML page: the converter writes the body,
# this script adds the head that names the character set.
execute_process(COMMAND ${CONVERTER} ${INPUT} OUTPUT_VARIABLE body RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "glyphmill-convert could not convert ${INPUT}")
endif()
file(WRITE ${OUTPUT}
  "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
  "<title>Glyphmill User Guide</title>\n"
  "<style>body { font-family: sans-serif; max-width: 48em; margin: 2em auto; line-height: 1.5; }"
  " code, pre { background: #f3f3f3; }</style>\n</head>\n<body>\n"
  "${body}</body>\n</html>\n")
