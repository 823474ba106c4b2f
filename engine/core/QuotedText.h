#pragma once

#include <string>
#include <string_view>

namespace marbleck {

// `text` as a message about a file may quote it: in double quotes, at most
// 24 bytes of it, every byte that is not printable ASCII written \xHH (a
// terminal would act on control bytes), "..." where it was cut.
std::string QuotedText(std::string_view text);

}  // namespace marbleck
