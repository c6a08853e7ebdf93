#include "lib/mcp/tool_call.h"

#include <optional>
#include <string>
#include <variant>

#include "lib/mcp/catalogue.h"
#include "lib/stop_signals.h"
#include "story_seeds/queue.h"
#include "story_seeds/seed.h"
#include "story_seeds/text.h"
#include "story_seeds/validation.h"

namespace vesk {

namespace {

namespace seeds = story_seeds;

constexpr std::size_t kMaxNameCharsShown = 64;

constexpr std::string_view kSavedMessage = "Saved on this Mac. Review it in vesk → Story sources.";
constexpr std::string_view kOffMessage = "Story sources are off in vesk";
constexpr std::string_view kFullMessage =
    "Your story-seed queue is full; review some in vesk → Story sources";
constexpr std::string_view kFailedMessage =
    "vesk couldn't save this seed on this Mac. Nothing was saved.";

JsonValue tool_result(std::string_view message, bool is_error, Era era) {
  JsonValue::Object item;
  item.emplace("text", JsonValue::string(std::string(message)));
  item.emplace("type", JsonValue::string("text"));
  JsonValue::Object result;
  result.emplace("content", JsonValue::array({JsonValue::object(std::move(item))}));
  result.emplace("isError", JsonValue::boolean(is_error));
  return complete_result(std::move(result), era);
}

// What the agent is told and what the event log records about one call.
struct CallOutcome {
  JsonValue result;
  std::string event;  // after "save_story_seed "
};

CallOutcome invalid(std::string_view message, std::string_view reason, Era era) {
  return {tool_result(message, true, era), "outcome=invalid reason=" + std::string(reason)};
}

CallOutcome invalid(const seeds::SeedValidationError& error, Era era) {
  return invalid(error.message(), error.reason_code(), era);
}

CallOutcome off(Era era) {
  static const PerEra result([](Era each) { return tool_result(kOffMessage, true, each); });
  return {result[era], "outcome=off"};
}

CallOutcome full(Era era) {
  static const PerEra result([](Era each) { return tool_result(kFullMessage, true, each); });
  return {result[era], "outcome=full"};
}

CallOutcome failed(const seeds::IoError& error, Era era) {
  static const PerEra result([](Era each) { return tool_result(kFailedMessage, true, each); });
  return {result[era], "outcome=failed kind=" + std::string(seeds::kind_name(error.kind()))};
}

CallOutcome shape_error(std::string_view message, Era era) {
  return invalid(message, "arguments", era);
}

// The four arguments as the call gave them, before trimming.
struct Arguments {
  std::string_view title;
  std::string_view what_happened;
  std::string_view why_it_mattered;
  std::vector<std::string_view> open_questions;
};

bool absent(const JsonValue* value) {
  return value == nullptr || value->is_null();
}

// "`key` " followed by `complaint`.
std::string field_message(std::string_view key, std::string_view complaint) {
  std::string message("`");
  message += key;
  message += "` ";
  message += complaint;
  return message;
}

// A required text argument, or the message that refuses its shape.
std::variant<std::string_view, std::string> required_text(const JsonValue& arguments,
                                                          std::string_view key) {
  const JsonValue* value = arguments.find(key);
  if (absent(value)) return field_message(key, "is required and can't be blank.");
  if (!value->is_string()) return field_message(key, "must be a string.");
  return std::string_view(value->as_string());
}

// Reads the arguments' JSON shape; a message when it is wrong.
std::variant<Arguments, std::string> read_arguments(const JsonValue* given) {
  static const JsonValue kEmptyObject = JsonValue::object();
  if (absent(given)) given = &kEmptyObject;
  if (!given->is_object()) {
    return std::string("Arguments must be an object with `title` and `what_happened`.");
  }
  Arguments arguments;
  auto title = required_text(*given, "title");
  if (auto* message = std::get_if<std::string>(&title)) return std::move(*message);
  arguments.title = std::get<std::string_view>(title);
  auto what_happened = required_text(*given, "what_happened");
  if (auto* message = std::get_if<std::string>(&what_happened)) return std::move(*message);
  arguments.what_happened = std::get<std::string_view>(what_happened);

  const JsonValue* why = given->find("why_it_mattered");
  if (!absent(why)) {
    if (!why->is_string()) return std::string("`why_it_mattered` must be a string.");
    arguments.why_it_mattered = why->as_string();
  }
  const JsonValue* questions = given->find("open_questions");
  if (!absent(questions)) {
    const std::string kNotStrings = "`open_questions` must be a list of strings.";
    if (!questions->is_array()) return kNotStrings;
    for (const JsonValue& question : questions->as_array()) {
      if (!question.is_string()) return kNotStrings;
      arguments.open_questions.push_back(question.as_string());
    }
  }
  return arguments;
}

seeds::SeedDraft make_draft(const Arguments& arguments, seeds::AgentId agent) {
  seeds::SeedDraft draft;
  draft.title = seeds::trim_white_space(arguments.title);
  draft.what_happened = seeds::trim_white_space(arguments.what_happened);
  draft.why_it_mattered = seeds::trim_white_space(arguments.why_it_mattered);
  for (std::string_view question : arguments.open_questions) {
    std::string_view trimmed = seeds::trim_white_space(question);
    if (!trimmed.empty()) draft.open_questions.emplace_back(trimmed);
  }
  draft.created_at = seeds::format_created_at(seeds::seconds_now());
  draft.agent = agent;
  return draft;
}

CallOutcome saved(const std::string& data_dir, const seeds::QueueKey& key, Era era) {
  static const PerEra result([](Era each) { return tool_result(kSavedMessage, false, each); });
  // Counted outside the lock: another writer may have added or taken seeds
  // since, and a failed count is not worth failing a saved seed for.
  auto count = seeds::count_queued(seeds::queue_dir(data_dir, key));
  std::size_t queued = count.ok() ? count.value() : 0;
  return {result[era], "outcome=saved queued=" + std::to_string(queued)};
}

CallOutcome save(const std::string& data_dir, const seeds::QueueKey& key,
                 const seeds::SeedDraft& draft, Era era) {
  // The stop signals are held once the queue lock is, the first moment
  // anything can be written, and released by the message loop once the answer
  // is out.
  seeds::SaveOutcome outcome = seeds::save_seed(data_dir, key, draft, hold_stop_signals);
  if (std::holds_alternative<seeds::Saved>(outcome)) return saved(data_dir, key, era);
  if (auto* refused = std::get_if<seeds::Invalid>(&outcome)) return invalid(refused->error, era);
  if (std::holds_alternative<seeds::Off>(outcome)) return off(era);
  if (std::holds_alternative<seeds::Full>(outcome)) return full(era);
  return failed(std::get<seeds::Failed>(outcome).error, era);
}

CallOutcome call_tool(const JsonValue& params, const Session& session, Era era) {
  if (!session.data_dir) return off(era);
  std::optional<seeds::QueueKey> key = seeds::read_enabled_marker(*session.data_dir);
  if (!key) return off(era);

  auto arguments = read_arguments(params.find("arguments"));
  if (auto* message = std::get_if<std::string>(&arguments)) return shape_error(*message, era);
  seeds::SeedDraft draft = make_draft(std::get<Arguments>(arguments), session.agent);
  if (auto error = seeds::validate_seed(draft)) return invalid(*error, era);
  return save(*session.data_dir, *key, draft, era);
}

}  // namespace

HandlerResult handle_tool_call(const JsonValue& params, const Session& session, Era era,
                               EventLog& events) {
  if (!params.is_object()) return HandlerFailure{"params must be an object"};
  const JsonValue* name = params.find("name");
  if (name == nullptr || !name->is_string()) return HandlerFailure{"params.name is required"};
  if (name->as_string() != kToolName) {
    log_event(events, "unknown_tool");
    std::string message("Unknown tool: ");
    message += story_seeds::first_chars(name->as_string(), kMaxNameCharsShown);
    return HandlerFailure{std::move(message)};
  }
  CallOutcome outcome = call_tool(params, session, era);
  log_event(events, "save_story_seed " + outcome.event);
  return std::move(outcome.result);
}

}  // namespace vesk
