// What a save_story_seed call answers, as the agent reads it.
#pragma once

#include <string>

namespace vesk_test {

// The queue a test's enabled marker names.
inline const std::string kOuter = "01JBQ7ZK3V9W2X4Y5Z6A7B8C9D";
inline const std::string kInner = "01JBQ80000000000000000000A";

inline const std::string kSaved = "Saved on this Mac. Review it in vesk → Story sources.";
inline const std::string kOff = "Story sources are off in vesk";
inline const std::string kFull =
    "Your story-seed queue is full; review some in vesk → Story sources";
inline const std::string kFailed = "vesk couldn't save this seed on this Mac. Nothing was saved.";

// The response line carrying a tool result; `text` needs no JSON escapes
// (none of the server's messages has a quotation mark or backslash).
inline std::string tool_result(int id, const std::string& text, bool is_error) {
  return R"({"id":)" + std::to_string(id) + R"(,"jsonrpc":"2.0","result":{"content":[{"text":")" +
         text + R"(","type":"text"}],"isError":)" + (is_error ? "true" : "false") + "}}\n";
}

}  // namespace vesk_test
