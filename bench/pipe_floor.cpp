// The pipe floor: the least any line-per-request server can cost. It reads
// standard input and answers every newline with one fixed line, one write
// each, parsing nothing and keeping no line.
//   pipe_floor [answer bytes]
// The answer is a short JSON-RPC result unless a length is given, so that
// answers as long as the server's can be compared too.
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "story_seeds/posix_io.h"

namespace {

std::string answer_of(std::size_t bytes) {
  std::string answer = R"({"id":1,"jsonrpc":"2.0","result":{}})";
  if (bytes > answer.size() + 16) {
    answer = R"({"id":1,"jsonrpc":"2.0","result":{"padding":")";
    answer.append(bytes - answer.size() - 4, 'x');
    answer += "\"}}";
  }
  return answer + '\n';
}

}  // namespace

int main(int argc, char** argv) {
  const std::string answer = answer_of(argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 0);
  static char buffer[64 * 1024];
  while (true) {
    auto got = story_seeds::read_some(STDIN_FILENO, buffer, sizeof buffer);
    if (!got.ok()) return EXIT_FAILURE;
    if (got.value() == 0) return EXIT_SUCCESS;
    const char* end = buffer + got.value();
    for (const char* at = buffer; (at = static_cast<const char*>(std::memchr(
                                       at, '\n', static_cast<std::size_t>(end - at)))) != nullptr;
         ++at) {
      if (!story_seeds::write_all(STDOUT_FILENO, answer).ok()) return EXIT_FAILURE;
    }
  }
}
