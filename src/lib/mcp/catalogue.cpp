#include "lib/mcp/catalogue.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "story_seeds/text.h"

namespace vesk {

namespace {

constexpr std::string_view kToolTitle = "Save a story seed";

constexpr std::string_view kToolDescription =
    "Save a short note about work worth telling colleagues about, as a story seed in the vesk "
    "desktop app on this Mac. Use it near the end of a session when something real happened (a "
    "problem solved, a result, something learned). Nothing leaves the Mac: the member reviews, "
    "edits and approves the seed in vesk → Story sources before anything is shared. Write "
    "plainly and factually; never include secrets, credentials, customer personal data or file "
    "paths. Text over a limit is refused, not cut.";

constexpr std::string_view kPromptTitle = "Save this work as a story seed";

constexpr std::string_view kPromptDescription =
    "Ask the agent to write this session's work as a story seed (the problem, what you did, a "
    "decision, the result) for vesk → Story sources.";

constexpr std::string_view kPromptText =
    "Save the work from this session as a story seed for vesk, so I can tell my team about it.\n"
    "\n"
    "Look back over this session and the repository (the pull request and its description, the "
    "issue it closes, my commits) and call the `save_story_seed` tool once:\n"
    "\n"
    "- `title`: a plain headline of a few words saying what changed, not the branch name (at "
    "most 120 characters).\n"
    "- `what_happened` (at most 2000 characters), four short paragraphs in my voice (\"I\"):\n"
    "  1. The problem: what was wrong or missing, and for whom.\n"
    "  2. What I did: the approach, in plain words a colleague outside the code can follow.\n"
    "  3. One decision: a choice or trade-off I made, and why.\n"
    "  4. The result: what is true now, with the evidence you saw (the PR number, merged or "
    "deployed, a before-and-after you measured).\n"
    "- `why_it_mattered` (at most 1000 characters): who it helps and what they can do now that "
    "they couldn't before.\n"
    "- `open_questions` (up to 5): what only I can answer, such as the impact in numbers or who "
    "noticed.\n"
    "\n"
    "Rules: use only facts from this session and the repository. Never invent a number, date, "
    "name or result; if you don't know it, ask it as an open question. Leave out code, file "
    "paths, secrets, credentials and customer personal data. Nothing leaves my Mac until I "
    "review it in vesk → Story sources.";

constexpr std::size_t kMaxNameCharsShown = 64;

using Member = std::pair<const char*, JsonValue>;

JsonValue object(std::initializer_list<Member> members) {
  JsonValue::Object result;
  for (const auto& [key, value] : members)
    result.emplace(key, value);
  return JsonValue::object(std::move(result));
}

JsonValue text(std::string_view value) {
  return JsonValue::string(std::string(value));
}
JsonValue integer(std::int64_t value) {
  return JsonValue::integer(value);
}
JsonValue no() {
  return JsonValue::boolean(false);
}

JsonValue string_schema(std::string_view description, std::int64_t min_length,
                        std::int64_t max_length) {
  JsonValue schema = object({{"description", text(description)},
                             {"maxLength", integer(max_length)},
                             {"type", text("string")}});
  if (min_length > 0) schema.as_object().emplace("minLength", integer(min_length));
  return schema;
}

JsonValue tool_definition() {
  JsonValue questions = object({
      {"description",
       text("Things only the member can answer (e.g. the result in numbers). Optional.")},
      {"items",
       object({{"maxLength", integer(200)}, {"minLength", integer(1)}, {"type", text("string")}})},
      {"maxItems", integer(5)},
      {"type", text("array")},
  });
  JsonValue properties = object({
      {"open_questions", questions},
      {"title", string_schema("A short headline for the story.", 1, 120)},
      {"what_happened",
       string_schema("What was done, in plain words — the facts, not the code.", 1, 2000)},
      {"why_it_mattered",
       string_schema("Who it helped or what changed because of it. Optional.", 0, 1000)},
  });
  JsonValue input_schema = object({
      {"additionalProperties", no()},
      {"properties", properties},
      {"required", JsonValue::array({text("title"), text("what_happened")})},
      {"type", text("object")},
  });
  JsonValue annotations = object({
      {"destructiveHint", no()},
      {"idempotentHint", no()},
      {"openWorldHint", no()},
      {"readOnlyHint", no()},
      {"title", text(kToolTitle)},
  });
  return object({
      {"annotations", annotations},
      {"description", text(kToolDescription)},
      {"inputSchema", input_schema},
      {"name", text(kToolName)},
      {"title", text(kToolTitle)},
  });
}

JsonValue prompt_definition() {
  return object({
      {"arguments", JsonValue::array()},
      {"description", text(kPromptDescription)},
      {"name", text(kPromptName)},
      {"title", text(kPromptTitle)},
  });
}

JsonValue prompt_message(Era era) {
  JsonValue message = object({
      {"content", object({{"text", text(kPromptText)}, {"type", text("text")}})},
      {"role", text("user")},
  });
  return complete_result(
      {{"description", text(kPromptTitle)}, {"messages", JsonValue::array({message})}}, era);
}

}  // namespace

JsonValue handle_tools_list(Era era) {
  static const PerEra result([](Era each) {
    return cacheable_result({{"tools", JsonValue::array({tool_definition()})}}, each);
  });
  return result[era];
}

JsonValue handle_prompts_list(Era era) {
  static const PerEra result([](Era each) {
    return cacheable_result({{"prompts", JsonValue::array({prompt_definition()})}}, each);
  });
  return result[era];
}

HandlerResult handle_prompts_get(const JsonValue& params, Era era) {
  static const PerEra result(prompt_message);
  const JsonValue* name = params.find("name");
  std::string_view requested;
  if (name != nullptr && name->is_string()) requested = name->as_string();
  if (requested == kPromptName) return result[era];
  std::string message("Unknown prompt: ");
  message += story_seeds::first_chars(requested, kMaxNameCharsShown);
  return HandlerFailure{std::move(message)};
}

}  // namespace vesk
