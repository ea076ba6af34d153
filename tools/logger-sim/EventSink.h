#pragma once
// Where the model reports what happens (the transcript, or a test's list).
#include <cstdint>
#include <functional>
#include <string_view>

namespace th::sim {

// `kind` is one of the transcript kinds (RX, CMD, TX, FILE, DEL, NOTE, ...);
// `text` is already escaped where it carries line bytes.
using EventSink =
    std::function<void(std::int64_t ms, std::string_view kind, std::string_view text)>;

}  // namespace th::sim
