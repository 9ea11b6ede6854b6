#pragma once
// korvo's own texts, where they differ from the Windows program's.

namespace korvo::cli_texts {

// A path given to korvo that names no file or folder.
inline constexpr const char kNoSuchFileOrFolder[] = "No such file or folder: %s";

} // namespace korvo::cli_texts
