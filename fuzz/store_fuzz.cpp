// Arbitrary drafts of valid UTF-8: validate_seed accepts exactly the drafts
// within the limits, and an accepted draft serialises to the bytes the JSON
// writer gives for the same fields in file order, which the JSON parser reads
// back as those fields and values.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "lib/json_value.h"
#include "story_seeds/seed.h"
#include "story_seeds/text.h"
#include "story_seeds/validation.h"

namespace {

namespace seeds = story_seeds;
using vesk::JsonValue;

std::string consume_text(FuzzedDataProvider& data) {
  std::string piece = seeds::replace_invalid_utf8(data.ConsumeRandomLengthString(1024));
  // Repetition reaches the length limits, in characters of any width, from
  // short inputs.
  std::size_t repeat = data.ConsumeBool() ? data.ConsumeIntegralInRange<std::size_t>(1, 2100) : 1;
  std::string text;
  for (std::size_t i = 0; i < repeat; ++i)
    text += piece;
  return text;
}

seeds::SeedDraft consume_draft(FuzzedDataProvider& data) {
  seeds::SeedDraft draft;
  draft.title = consume_text(data);
  draft.what_happened = consume_text(data);
  draft.why_it_mattered = consume_text(data);
  draft.open_questions.resize(
      data.ConsumeIntegralInRange<std::size_t>(0, seeds::kMaxQuestions + 2));
  for (std::string& question : draft.open_questions)
    question = consume_text(data);
  draft.created_at = seeds::format_created_at(data.ConsumeIntegral<std::uint64_t>());
  draft.agent = static_cast<seeds::AgentId>(data.ConsumeIntegralInRange<int>(0, 3));
  return draft;
}

bool fits(std::string_view text, std::size_t limit) {
  return seeds::count_chars(text) <= limit;
}

bool within_limits(const seeds::SeedDraft& draft) {
  if (seeds::is_blank(draft.title) || seeds::is_blank(draft.what_happened)) return false;
  if (!fits(draft.title, seeds::kMaxTitleChars)) return false;
  if (!fits(draft.what_happened, seeds::kMaxWhatHappenedChars)) return false;
  if (!fits(draft.why_it_mattered, seeds::kMaxWhyItMatteredChars)) return false;
  if (draft.open_questions.size() > seeds::kMaxQuestions) return false;
  return std::all_of(
      draft.open_questions.begin(), draft.open_questions.end(),
      [](const std::string& question) { return fits(question, seeds::kMaxQuestionChars); });
}

void append_entry(std::string& out, std::string_view key, std::string_view value) {
  out += ",\"";
  out += key;
  out += "\":";
  vesk::write_json_string(value, out);
}

// The seed file as the server's JSON writer spells the same fields.
std::string expected_file(const seeds::SeedDraft& draft) {
  std::string out = "{\"version\":1";
  append_entry(out, "title", draft.title);
  append_entry(out, "what_happened", draft.what_happened);
  append_entry(out, "why_it_mattered", draft.why_it_mattered);
  out += ",\"open_questions\":[";
  for (std::size_t i = 0; i < draft.open_questions.size(); ++i) {
    if (i > 0) out += ',';
    vesk::write_json_string(draft.open_questions[i], out);
  }
  out += ']';
  append_entry(out, "created_at", draft.created_at);
  append_entry(out, "agent", seeds::agent_text(draft.agent));
  out += '}';
  return out;
}

void check_string(const JsonValue& file, std::string_view key, std::string_view want) {
  const JsonValue* value = file.find(key);
  FUZZ_CHECK(value != nullptr && value->is_string() && value->as_string() == want);
}

void check_reads_back(std::string_view text, const seeds::SeedDraft& draft) {
  std::optional<JsonValue> file = JsonValue::parse(text);
  FUZZ_CHECK(file && file->is_object());
  FUZZ_CHECK(file->as_object().size() == 7);
  const JsonValue* version = file->find("version");
  FUZZ_CHECK(version != nullptr && *version == JsonValue::integer(1));
  check_string(*file, "title", draft.title);
  check_string(*file, "what_happened", draft.what_happened);
  check_string(*file, "why_it_mattered", draft.why_it_mattered);
  check_string(*file, "created_at", draft.created_at);
  check_string(*file, "agent", seeds::agent_text(draft.agent));
  const JsonValue* questions = file->find("open_questions");
  FUZZ_CHECK(questions != nullptr && questions->is_array());
  FUZZ_CHECK(questions->as_array().size() == draft.open_questions.size());
  for (std::size_t i = 0; i < draft.open_questions.size(); ++i) {
    const JsonValue& question = questions->as_array()[i];
    FUZZ_CHECK(question.is_string() && question.as_string() == draft.open_questions[i]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const seeds::SeedDraft draft = consume_draft(provider);
  const bool accepted = !seeds::validate_seed(draft).has_value();
  FUZZ_CHECK(accepted == within_limits(draft));
  if (!accepted) return 0;
  const std::string text = seeds::serialize_seed(draft);
  FUZZ_CHECK(text == expected_file(draft));
  check_reads_back(text, draft);
  return 0;
}
