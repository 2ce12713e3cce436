# Turns image files into a C++ source of byte arrays, so that the executable
# carries its pictures and reads no file at run time.
#   cmake -DOUTPUT=out.cpp -DNAMES=a,b -DFILES=a.png,b.png -P embed.cmake
string(REPLACE "," ";" NAMES "${NAMES}")
string(REPLACE "," ";" FILES "${FILES}")
set(body "// Generated from assets/*.png at build time. Do not edit.\n#include \"assets/embedded.h\"\n\nnamespace zorbly::assets {\nnamespace {\n")
set(table "")
foreach(name file IN ZIP_LISTS NAMES FILES)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
  string(APPEND body "const unsigned char ${name}_png[${size}] = {\n    ${bytes}\n};\n")
  string(APPEND table "    {\"${name}\", ${name}_png, ${size}},\n")
endforeach()
string(APPEND body "}  // namespace\n\nconst std::span<const File> files() {\n  static const File all[] = {\n${table}  };\n  return all;\n}\n\n}  // namespace zorbly::assets\n")
file(WRITE "${OUTPUT}.tmp" "${body}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
