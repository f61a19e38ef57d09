# Writes a text file of the repository into a C++ header as one string_view constant, at build
# time, so that data kept as text (the ROM dots of display/rom/) is compiled in as it is, with no
# copy by hand between them.
#
#   cmake -DINPUT=FILE -DOUTPUT=HEADER -DNAMESPACE=NS -DNAME=IDENTIFIER -P EmbedText.cmake
foreach(argument INPUT OUTPUT NAMESPACE NAME)
    if(NOT DEFINED ${argument})
        message(FATAL_ERROR "EmbedText.cmake needs -D${argument}=...")
    endif()
endforeach()

file(READ "${INPUT}" text)
# The text goes into a raw string literal, which ends at the first )text" it holds.
string(FIND "${text}" ")text\"" closing)
if(NOT closing EQUAL -1)
    message(FATAL_ERROR "${INPUT} holds )text\", which would end the raw string early")
endif()

cmake_path(GET INPUT FILENAME source_name)
set(header "// Generated from ${source_name} by cmake/EmbedText.cmake at build time: edit that file.
#pragma once

#include <string_view>

namespace ${NAMESPACE} {

inline constexpr std::string_view ${NAME} = R\"text(${text})text\";

}  // namespace ${NAMESPACE}
")
file(WRITE "${OUTPUT}" "${header}")
