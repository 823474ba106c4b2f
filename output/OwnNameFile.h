#pragma once

#include <QString>
#include <functional>

namespace marbleck {

// Runs `write` on a name Qt can open that ends up as `output`'s own bytes.
// Qt opens a file by the UTF-8 form of its name, which cannot hold a name's
// bytes that are not UTF-8 (kept as lone surrogates by DecodeNativeFileName):
// such an output is written whole under a UTF-8 name in its folder, reached
// through the folder's descriptor, and then renamed to its own bytes. Any
// other name is handed to `write` as it is. Throws FileWriteError naming
// `output`, also for what `write` throws as FileWriteError.
void WriteUnderOwnName(const QString& output, const std::function<void(const QString&)>& write);

}  // namespace marbleck
