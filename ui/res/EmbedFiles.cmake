# cmake -DOUTPUT=<file.cpp> -DINPUT_DIR=<dir> -DFILES=<a;b;...> -P EmbedFiles.cmake
# Writes each file as a byte array kRes_<name> (non-alphanumerics as '_') with its size
# kRes_<name>_size, so that the program carries its images and runs from any directory.
set(text "// Generated from ui/res by EmbedFiles.cmake; do not edit.\n#include <cstddef>\n\n")
foreach(file IN LISTS FILES)
  file(READ "${INPUT_DIR}/${file}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n  "
                       bytes "${bytes}")
  string(MAKE_C_IDENTIFIER "${file}" name)
  string(APPEND text "extern const unsigned char kRes_${name}[] = {\n  ${bytes}};\n")
  string(APPEND text "extern const std::size_t kRes_${name}_size = ${size};\n\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
