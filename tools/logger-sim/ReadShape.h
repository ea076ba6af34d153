#pragma once
// What a file looks like from the tool's side of the line when the logger is
// told to misbehave: the size it announces, and the read's pauses and the
// bytes that are not the file's (a prompt, a header, noise before or inside
// the data).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/OutputQueue.h"

namespace th::sim {

// The largest size the tool's size parser takes.
inline constexpr std::int64_t kHugeSize = 2147483647;

// The size the logger announces for a file holding `data` (before the size
// reply's form is applied).
std::size_t AnnouncedSize(const ModelConfig& config, const std::string& data);

// The size reply's text (without its line end), none for a logger that
// does not answer.
std::optional<std::string> SizeReplyText(const ModelConfig& config, std::size_t announced);

// Puts the configured pauses, prefix and noise into a read of `send.data`
// (its `limit` set already); `announced` is what the size reply said.
void ShapeRead(const ModelConfig& config, FileSend& send, std::size_t announced);

}  // namespace th::sim
