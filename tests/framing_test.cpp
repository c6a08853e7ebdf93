// End to end through the binary: line framing, the JSON-RPC envelope, id
// echoing, events and exit status.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server_process.h"

namespace vesk_test {
namespace {

const std::string kParseError =
    R"({"error":{"code":-32700,"message":"Parse error"},"id":null,"jsonrpc":"2.0"})"
    "\n";
const std::string kInvalidNull =
    R"({"error":{"code":-32600,"message":"Invalid Request"},"id":null,"jsonrpc":"2.0"})"
    "\n";

std::string pong(const std::string& id) {
  return R"({"id":)" + id + R"(,"jsonrpc":"2.0","result":{}})" + "\n";
}
std::string invalid_with_id(const std::string& id) {
  return R"({"error":{"code":-32600,"message":"Invalid Request"},"id":)" + id +
         R"(,"jsonrpc":"2.0"})" + "\n";
}
std::string not_found(const std::string& id) {
  return R"({"error":{"code":-32601,"message":"Method not found"},"id":)" + id +
         R"(,"jsonrpc":"2.0"})" + "\n";
}

// A ping request padded with a string member to exactly `bytes` bytes.
std::string ping_of_size(std::size_t bytes) {
  std::string head = R"({"jsonrpc":"2.0","id":9,"method":"ping","pad":")";
  std::string tail = R"("})";
  return head + std::string(bytes - head.size() - tail.size(), 'x') + tail;
}

std::string nested_arrays(int depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

struct FramingCase {
  const char* name;
  std::string input;
  std::string out;
  std::vector<std::string> events;  // between "ready" and "closed"
};

class Framing : public ::testing::TestWithParam<FramingCase> {};

TEST_P(Framing, AnswersAndEvents) {
  const FramingCase& c = GetParam();
  ProcessResult result = run_server(c.input);
  EXPECT_EQ(result.out, c.out);
  std::vector<std::string> events{"ready"};
  events.insert(events.end(), c.events.begin(), c.events.end());
  events.push_back("closed");
  EXPECT_EQ(result.err, event_lines(events));
  EXPECT_EQ(result.exit_status, 0);
}

const std::string kPing = R"({"jsonrpc":"2.0","id":1,"method":"ping"})";

INSTANTIATE_TEST_SUITE_P(
    Lines, Framing,
    ::testing::Values(
        FramingCase{"empty_input", "", "", {}},
        FramingCase{"blank_lines", "\n \t \n\r\n\n", "", {}},
        FramingCase{"crlf_ping", kPing + "\r\n", pong("1"), {}},
        FramingCase{"last_line_without_newline", kPing, pong("1"), {}},
        FramingCase{
            "surrounding_unicode_space", "\u3000\u00a0" + kPing + "\u2029\n", pong("1"), {}},
        FramingCase{"not_json", "hello\n", kParseError, {"parse_error"}},
        FramingCase{"text_after_value", kPing + " x\n", kParseError, {"parse_error"}},
        FramingCase{"two_values", kPing + kPing + "\n", kParseError, {"parse_error"}},
        FramingCase{"trailing_comma",
                    R"({"id":1,"method":"ping",})"
                    "\n",
                    kParseError,
                    {"parse_error"}},
        FramingCase{"byte_order_mark", "\xEF\xBB\xBF" + kPing + "\n", kParseError, {"parse_error"}},
        FramingCase{"lone_surrogate_escape",
                    R"({"id":"\ud800","method":"ping"})"
                    "\n",
                    kParseError,
                    {"parse_error"}},
        FramingCase{"number_overflowing_double",
                    R"({"id":1e400,"method":"ping"})"
                    "\n",
                    kParseError,
                    {"parse_error"}},
        FramingCase{
            "nesting_127_is_read", nested_arrays(127) + "\n", kInvalidNull, {"invalid_request"}},
        FramingCase{"nesting_128_is_not", nested_arrays(128) + "\n", kParseError, {"parse_error"}},
        FramingCase{"batch", "[" + kPing + "," + kPing + "]\n", kInvalidNull, {"invalid_request"}},
        FramingCase{"string_message", "\"ping\"\n", kInvalidNull, {"invalid_request"}},
        FramingCase{"id_without_method",
                    R"({"id":7})"
                    "\n",
                    invalid_with_id("7"),
                    {"invalid_request"}},
        FramingCase{"array_id_without_method",
                    R"({"id":[1,{"b":2,"a":1}]})"
                    "\n",
                    invalid_with_id(R"([1,{"a":1,"b":2}])"),
                    {"invalid_request"}},
        FramingCase{"nothing_at_all", "{}\n", kInvalidNull, {"invalid_request"}},
        FramingCase{"method_not_string",
                    R"({"id":"q","method":5})"
                    "\n",
                    invalid_with_id(R"("q")"),
                    {"invalid_request"}},
        FramingCase{"method_not_string_id_bool",
                    R"({"id":false,"method":[]})"
                    "\n",
                    invalid_with_id("false"),
                    {"invalid_request"}},
        FramingCase{"null_id",
                    R"({"id":null,"method":"ping"})"
                    "\n",
                    kInvalidNull,
                    {"invalid_request"}},
        FramingCase{"bool_id",
                    R"({"id":true,"method":"ping"})"
                    "\n",
                    kInvalidNull,
                    {"invalid_request"}},
        FramingCase{"object_id",
                    R"({"id":{},"method":"ping"})"
                    "\n",
                    kInvalidNull,
                    {"invalid_request"}},
        FramingCase{"notification",
                    R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
                    "\n",
                    "",
                    {}},
        FramingCase{"initialize_notification",
                    R"({"method":"initialize","params":{}})"
                    "\n",
                    "",
                    {}},
        FramingCase{"client_response",
                    R"({"id":1,"result":{}})"
                    "\n"
                    R"({"id":2,"error":{}})"
                    "\n",
                    "",
                    {}},
        FramingCase{"unknown_methods",
                    R"({"id":1,"method":"Ping"})"
                    "\n"
                    R"({"id":2,"method":"notifications/initialized"})"
                    "\n"
                    R"({"id":3,"method":"resources/list"})"
                    "\n",
                    not_found("1") + not_found("2") + not_found("3"),
                    {"method_not_found", "method_not_found", "method_not_found"}},
        FramingCase{"no_jsonrpc_member",
                    R"({"id":1,"method":"ping"})"
                    "\n",
                    pong("1"),
                    {}},
        FramingCase{"params_ignored_by_ping",
                    R"({"id":1,"method":"ping","params":[1]})"
                    "\n",
                    pong("1"),
                    {}},
        FramingCase{"invalid_utf8_replaced",
                    "{\"id\":\"a\xFF\xC3\",\"method\":\"ping\"}\n",
                    pong("\"a\xEF\xBF\xBD\xEF\xBF\xBD\""),
                    {}},
        FramingCase{"line_of_max_bytes", ping_of_size(1048576) + "\n", pong("9"), {}},
        FramingCase{"line_one_byte_over",
                    ping_of_size(1048577) + "\n" + kPing + "\n",
                    kParseError + pong("1"),
                    {"line_too_long"}},
        FramingCase{
            "over_long_last_line", std::string(3 * 1048576, ' '), kParseError, {"line_too_long"}},
        FramingCase{"events_follow_lines",
                    "x\n" + kPing + "\n[]\n",
                    kParseError + pong("1") + kInvalidNull,
                    {"parse_error", "invalid_request"}}),
    CaseName());

struct IdCase {
  const char* name;
  std::string sent;
  std::string echoed;
};

class IdEcho : public ::testing::TestWithParam<IdCase> {};

TEST_P(IdEcho, ComesBackAsTheLibraryHoldsIt) {
  ProcessResult result =
      run_server(R"({"jsonrpc":"2.0","method":"ping","id":)" + GetParam().sent + "}\n");
  EXPECT_EQ(result.out, pong(GetParam().echoed));
}

INSTANTIATE_TEST_SUITE_P(
    Ids, IdEcho,
    ::testing::Values(IdCase{"integer", "42", "42"}, IdCase{"negative", "-7", "-7"},
                      IdCase{"fraction", "1.50", "1.5"}, IdCase{"integral_double", "1e2", "100.0"},
                      IdCase{"max_unsigned", "18446744073709551615", "18446744073709551615"},
                      IdCase{"beyond_64_bits", "18446744073709551616", "1.8446744073709552e+19"},
                      IdCase{"min_signed", "-9223372036854775808", "-9223372036854775808"},
                      IdCase{"string", R"("abc")", R"("abc")"},
                      IdCase{"escaped_letter", R"("x\u0041")", R"("xA")"},
                      IdCase{"escaped_solidus", R"("a\/b")", R"("a/b")"},
                      IdCase{"control_escapes", R"("\u0001\b\t\n\f\r\u001f\"\\")",
                             R"("\u0001\b\t\n\f\r\u001f\"\\")"},
                      IdCase{"non_ascii_raw", R"("\u00e9\u2192")", "\"\u00e9\u2192\""}),
    CaseName());

}  // namespace
}  // namespace vesk_test
