# Turns one file into a C++ source holding its bytes, so the build embeds the
# page's scripts and styles without fetching or installing anything:
#   cmake -DIN=file -DOUT=file.cpp -DNAME=symbol -P embed.cmake
# defines twinser_view::asset::NAME (unsigned char[]) and NAME_size.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
       "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(base "${IN}" NAME)
file(WRITE "${OUT}.tmp"
"// ${base}, embedded by cmake/embed.cmake; do not edit.
#include <cstddef>
namespace twinser_view::asset {
extern const unsigned char ${NAME}[];
extern const std::size_t ${NAME}_size;
const unsigned char ${NAME}[] = {
${bytes}0x00};
const std::size_t ${NAME}_size = ${size};
} // namespace twinser_view::asset
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
