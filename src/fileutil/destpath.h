#pragma once
#include <string>

#include "base/message_box.h"

namespace fileutil {

// Accepts or refuses the destination path, rewriting it in place (trimmed,
// "\" after the drive, closing "\"); on success the path's drive is current.
bool ValidateDestPath(std::wstring& path, base::Prompter& prompter);

}  // namespace fileutil
