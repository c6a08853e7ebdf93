// The server end to end, as data. Each file in transcripts/ is a series of
// cases, and each case is one run of the built server:
//
//   === NAME             starts a case
//   args A B             command-line arguments ('' is an empty one)
//   home none|PATH       HOME unset or PATH (default: a scratch directory)
//   marker [TEXT]        the enabled marker; without TEXT it names the standard queue
//   queued N             N seed files already in the standard queue
//   file|dir PATH        a file or directory in the data directory
//   link PATH TARGET     a symbolic link there
//   closed FD...         standard descriptors closed at start
//   stdout|stderr broken the stream is a pipe that nobody reads
//   > LINE               a request line; `>~ LINE` sends it without a newline
//   < LINE               the next line on standard output
//   ! EVENT              the next event; with no arguments, "ready" comes before
//                        the events and "closed" after them when the exit is 0
//   seed TEXT            a saved seed file, TIME standing for its created_at
//   exit N               the exit status (default 0)
//
// In any line \xHH is a byte, {{TEXT*N}} is TEXT N times and {{NAME}} is the
// text of an earlier `let NAME TEXT`. After every case: no ".tmp" file, one
// new seed file per saved event, named by a seed id and private to its owner.
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <regex>

#include "run_server.h"

namespace vesk_test {
namespace {

namespace fs = std::filesystem;

const std::string kQueue = "01JBQ7ZK3V9W2X4Y5Z6A7B8C9D/01JBQ80000000000000000000A";

struct Case {
  std::string name;
  std::vector<std::pair<std::string, std::string>> setup;
  std::string input, out, events;
  std::vector<std::string> seeds;
  int exit = 0;
};

std::string expand(std::string_view line, const std::map<std::string, std::string>& lets) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t end = line.find("}}", i);
    if (line.substr(i, 2) == "\\x") {
      out += static_cast<char>(std::stoi(std::string(line.substr(i + 2, 2)), nullptr, 16));
      i += 4;
    } else if (line.substr(i, 2) == "{{" && end != line.npos) {
      std::string inner(line.substr(i + 2, end - i - 2));
      std::size_t star = inner.rfind('*');
      if (lets.count(inner)) out += lets.at(inner);
      for (int n = lets.count(inner) ? 0 : std::stoi(inner.substr(star + 1)); n > 0; --n)
        out += inner.substr(0, star);
      i = end + 2;
    } else {
      out += line[i++];
    }
  }
  return out;
}

std::vector<Case> parse(const fs::path& file) {
  std::vector<Case> cases;
  std::map<std::string, std::string> lets;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t space = std::min(line.find(' '), line.size());
    const std::string word = line.substr(0, space);
    std::string rest =
        expand(std::string_view(line).substr(std::min(space + 1, line.size())), lets);
    if (word == "let") {
      lets[rest.substr(0, rest.find(' '))] = rest.substr(rest.find(' ') + 1);
    } else if (word == "===") {
      cases.emplace_back().name = rest;
    } else if (word == ">" || word == ">~") {
      cases.back().input += rest + (word == ">" ? "\n" : "");
    } else if (word == "<") {
      cases.back().out += rest + "\n";
    } else if (word == "!") {
      cases.back().events += "vesk-desktop-mcp: " + rest + "\n";
    } else if (word == "seed") {
      cases.back().seeds.push_back(rest);
    } else if (word == "exit") {
      cases.back().exit = std::stoi(rest);
    } else {
      cases.back().setup.emplace_back(word, rest);
    }
  }
  return cases;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> list;
  std::istringstream in(text);
  for (std::string word; in >> word;)
    list.push_back(word == "''" ? "" : word);
  return list;
}

class Transcript : public ::testing::TestWithParam<std::string> {
 protected:
  void set_up(const std::string& word, const std::string& rest) {
    const std::string path = data_dir_ + "/" + rest.substr(0, rest.find(' '));
    if (word != "args" && word != "home" && word != "closed") fs::create_directories(data_dir_);
    if (word == "args") {
      for (const std::string& arg : words(rest))
        run_.argv.push_back(arg);
    } else if (word == "home") {
      run_.home = rest == "none" ? std::nullopt : std::optional(rest);
    } else if (word == "marker") {
      std::ofstream(data_dir_ + "/stories-sources.enabled")
          << (rest.empty() ? kQueue + "\n" : rest);
    } else if (word == "queued") {
      fs::create_directories(queue_);
      for (int i = std::stoi(rest); i > 0; --i)
        std::ofstream(queue_ + "/" + std::string(22, '0') + std::to_string(1000 + i) + ".json")
            << "{}";
    } else if (word == "dir") {
      fs::create_directories(path);
    } else if (word == "file") {
      std::ofstream(path) << "x";
    } else if (word == "link") {
      fs::create_directory_symlink(rest.substr(rest.find(' ') + 1), path);
    } else if (word == "closed") {
      for (const std::string& fd : words(rest))
        run_.closed_fds.push_back(std::stoi(fd));
    } else if (rest == "broken") {
      (word == "stdout" ? run_.stdout_broken : run_.stderr_broken) = true;
    } else {
      ADD_FAILURE() << "unknown directive " << word;
    }
  }

  bool captured(int fd) const {
    return !(fd == 1 ? run_.stdout_broken : run_.stderr_broken) &&
           std::count(run_.closed_fds.begin(), run_.closed_fds.end(), fd) == 0;
  }

  void check_seed_files(const Case& c) const {
    std::vector<std::string> seeds;
    for (const auto& entry : fs::recursive_directory_iterator(scratch_.path())) {
      const std::string name = entry.path().filename().string();
      EXPECT_FALSE(name.ends_with(".tmp")) << entry.path();
      if (!entry.is_regular_file() || read_file(entry.path()) == "{}") continue;
      if (entry.path().parent_path() != queue_) continue;
      EXPECT_TRUE(std::regex_match(name, std::regex("[0-7][0-9A-HJKMNP-TV-Z]{25}\\.json"))) << name;
      EXPECT_EQ(entry.status().permissions(), fs::perms::owner_read | fs::perms::owner_write);
      seeds.push_back(std::regex_replace(read_file(entry.path()),
                                         std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ"),
                                         "TIME"));
    }
    std::size_t saved = 0;
    for (std::size_t at = 0; (at = c.events.find("outcome=saved", at)) != c.events.npos; ++at)
      ++saved;
    EXPECT_EQ(seeds.size(), saved);
    std::vector<std::string> expected = c.seeds;
    std::sort(seeds.begin(), seeds.end());
    std::sort(expected.begin(), expected.end());
    if (!expected.empty()) {
      EXPECT_EQ(seeds, expected);
    }
  }

  void run_case(const Case& c) {
    run_ = ServerRun{{VESK_BINARY_PATH}, c.input, scratch_.path(), {}, false, false};
    for (const auto& [word, rest] : c.setup)
      set_up(word, rest);
    const ServerOutput output = run_server(run_, scratch_.path());
    const bool serving = run_.argv.size() == 1;
    std::string events = c.events;
    if (serving) events = "vesk-desktop-mcp: ready\n" + events;
    if (serving && c.exit == 0) events += "vesk-desktop-mcp: closed\n";
    EXPECT_EQ(output.out, captured(1) ? c.out : "");
    EXPECT_EQ(output.err, captured(2) ? events : "");
    EXPECT_EQ(output.status, c.exit);
    check_seed_files(c);
  }

  ScratchDir scratch_;
  const std::string data_dir_ = scratch_.path() + "/Library/Application Support/team.vesk.desktop";
  const std::string queue_ = data_dir_ + "/story-seeds/" + kQueue;
  ServerRun run_;
};

TEST_P(Transcript, Holds) {
  for (const Case& c : parse(fs::path(VESK_TRANSCRIPTS) / (GetParam() + ".txt"))) {
    SCOPED_TRACE(GetParam() + ".txt: " + c.name);
    fs::remove_all(scratch_.path());
    fs::create_directory(scratch_.path());
    run_case(c);
  }
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
