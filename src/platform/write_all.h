// Writing a whole buffer to an open file: a short write goes on with the
// rest, an interrupted call is retried.
#pragma once

#include <string_view>

namespace qx::platform {

// True when every byte went out. False when the file takes no more (a full
// disk, the file size limit, an I/O error), with errno's value in err when
// given; part of the bytes may then have been written.
bool WriteAll(int fd, std::string_view bytes, int* err = nullptr);

}  // namespace qx::platform
