// quillon-send --tags: every name of the symbol table with its bytes, one per line, then the
// other forms a tag field takes, each with an example. docs/tags.md and quillon-send(1) hold the
// same text, and a test holds them to it.
#pragma once

#include <string>

namespace quillon::cli {

std::string tag_reference();

}  // namespace quillon::cli
