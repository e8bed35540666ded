#pragma once
#include <string>

#include "fileutil/prompt.h"

namespace fileutil {

// Accepts or refuses the destination path, rewriting it in place (trimmed,
// "\" after the drive, closing "\"); on success the path's drive is current.
bool ValidateDestPath(std::wstring& path, Prompter& prompter);

}  // namespace fileutil
