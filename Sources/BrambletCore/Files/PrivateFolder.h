#pragma once

#include <filesystem>

namespace bramblet {

// Makes `folder` (and its missing parents) when missing and checks that it is a real folder of
// this user that no one else may enter, closing it (mode 0700) when others could. A folder that
// someone else prepared, or a link in its place, could receive or alter what the program keeps
// there: it is refused with FileFailure (system) naming it.
void preparePrivateFolder(const std::filesystem::path& folder);

} // namespace bramblet
