# Writes a C++ source that defines one std::string_view holding a text file's content.
# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -DNAMESPACE=ns -P EmbedText.cmake
file(READ "${INPUT}" content)
set(delimiter "dovrix_embedded")
string(FIND "${content}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${INPUT} contains the raw string delimiter")
endif()
file(WRITE "${OUTPUT}.tmp"
    "// Generated from ${INPUT}; do not edit.\n"
    "#include <string_view>\n"
    "namespace ${NAMESPACE} {\n"
    "extern const std::string_view ${SYMBOL};\n"
    "const std::string_view ${SYMBOL} = R\"${delimiter}(${content})${delimiter}\";\n"
    "}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
