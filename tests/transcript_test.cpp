// Every transcript in transcripts/, one test each; transcript.h describes the form.
#include "transcript.h"

namespace vesk_test {
namespace {

class Transcript : public ::testing::TestWithParam<std::string> {};

TEST_P(Transcript, Holds) {
  const std::string file = GetParam() + ".txt";
  TranscriptRunner().run(read_file(fs::path(VESK_TRANSCRIPTS) / file), file);
}

std::vector<std::string> transcript_names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(VESK_TRANSCRIPTS))
    names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Files, Transcript, ::testing::ValuesIn(transcript_names()),
                         [](const auto& file) { return file.param; });

}  // namespace
}  // namespace vesk_test
