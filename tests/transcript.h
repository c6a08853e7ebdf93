// Transcripts: the built server end to end, as data; each case is one run of
// it. README.md ("Transcripts") lists the directives and the checks after each.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vesk_test {

namespace fs = std::filesystem;

inline std::string read_file(const fs::path& path) {
  std::stringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// `\xHH` is a byte, `{{NAME}}` a let's text and `{{TEXT*N}}` TEXT N times.
inline std::string expand(std::string_view line, const std::map<std::string, std::string>& lets) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t end = line.find("}}", i);
    if (line.substr(i, 2) == "\\x") {
      out += static_cast<char>(std::stoi(std::string(line.substr(i + 2, 2)), nullptr, 16));
      i += 4;
    } else if (line.substr(i, 2) == "{{" && end != line.npos) {
      const std::string inner(line.substr(i + 2, end - i - 2));
      const std::size_t star = inner.rfind('*');
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

class TranscriptRunner {
 public:
  TranscriptRunner() { umask(022); }
  ~TranscriptRunner() {
    if (::testing::Test::HasFailure()) return;
    fs::remove_all(scratch_);
    fs::remove_all(layout_);
  }

  // Runs every case of `text`; `source` names it in failure messages.
  void run(const std::string& text, const std::string& source) {
    if (std::regex_search(text, std::regex("\n(fault|signal) ")) &&
        system("strace -V >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "needs strace, which is Linux's and is not installed here";
    }
    std::map<std::string, std::string> lets;
    for (const std::string& line : lines_of(text)) {
      if (line.empty() || line[0] == '#') continue;
      const std::size_t space = std::min(line.find(' '), line.size());
      const std::string word = line.substr(0, space);
      const std::string rest = expand(line.substr(std::min(space + 1, line.size())), lets);
      if (word == "let") {
        lets[rest.substr(0, rest.find(' '))] = rest.substr(rest.find(' ') + 1);
      } else if (word == "===") {
        if (!c_.name.empty()) finish_case();
        c_ = Case();
        c_.name = source + ": " + rest;
        fs::remove_all(layout_);
        fs::create_directories(layout_ + kDataDir);
      } else {
        add(word, rest);
      }
    }
    finish_case();
  }

 private:
  struct Case {
    std::string name, input, out, events, home, args, stdout_, stderr_;
    std::vector<std::string> seeds, fault, signal;
    int exit = 0;
  };

  void add(const std::string& word, const std::string& rest) {
    std::istringstream words_in(rest);
    const std::vector<std::string> words{std::istream_iterator<std::string>(words_in), {}};
    const std::string data_dir = layout_ + kDataDir, queue = data_dir + kQueue;
    const std::string path = data_dir + "/" + rest.substr(0, rest.find(' '));
    if (word == ">" || word == ">~") {
      c_.input += rest + (word == ">" ? "\n" : "");
    } else if (word == "<") {
      c_.out += rest + "\n";
    } else if (word == "!") {
      c_.events += "vesk-desktop-mcp: " + rest + "\n";
    } else if (word == "seed") {
      c_.seeds.push_back(rest);
    } else if (word == "exit") {
      c_.exit = std::stoi(rest);
    } else if (word == "home") {
      c_.home = rest;
    } else if (word == "args") {
      c_.args = " " + rest;
    } else if (word == "fault" || word == "signal") {
      (word == "fault" ? c_.fault : c_.signal) = words;
    } else if (word == "stdout" || word == "stderr") {
      (word == "stdout" ? c_.stdout_ : c_.stderr_) = rest;
    } else if (word == "marker") {
      std::ofstream(data_dir + "/stories-sources.enabled")
          << (rest.empty() ? kQueueKey + "\n" : rest);
    } else if (word == "queued") {
      fs::create_directories(queue);
      for (int i = std::stoi(rest); i > 0; --i)
        std::ofstream(queue + "/" + std::string(22, '0') + std::to_string(1000 + i) + ".json")
            << "{}";
    } else if (word == "file") {
      std::ofstream(path) << "x";
    } else if (word == "dir") {
      fs::create_directories(path);
    } else if (word == "link") {
      fs::create_directory_symlink(words.at(1), path);
    } else {
      ADD_FAILURE() << c_.name << ": unknown directive " << word;
    }
  }

  // Runs the server, after the command in `prefix`, to its end in a fresh home, with files
  // for its standard streams so that neither side can block the other.
  void launch(const std::string& prefix = "") {
    fs::remove_all(scratch_);
    fs::copy(layout_, scratch_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    std::ofstream(scratch_ + "/0", std::ios::binary) << c_.input;
    int orphan[2];  // a pipe whose reader is gone
    ASSERT_EQ(pipe(orphan), 0);
    close(orphan[0]);
    const std::string home = c_.home.empty() ? scratch_ : c_.home;
    std::string command = (home == "none" ? "unset HOME; exec " : "HOME='" + home + "' exec ") +
                          prefix + "'" + kBinary + "'" + c_.args + " <'" + scratch_ + "/0'";
    for (const auto& [fd, how] : {std::pair{"1", c_.stdout_}, {"2", c_.stderr_}}) {
      command += std::string(" ") + fd +
                 (how == "closed"   ? ">&-"
                  : how == "broken" ? ">&" + std::to_string(orphan[1])
                                    : ">'" + scratch_ + "/" + fd + "'");
    }
    const int status = system(command.c_str());
    close(orphan[1]);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), c_.exit);
  }

  // Under strace, tracing `call` and injecting `inject` if any; returns the trace.
  std::string traced(const std::string& call, const std::string& inject) {
    const std::string log = scratch_ + ".log";
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // LeakSanitizer cannot run under a tracer
    launch("strace -qq -y -o " + log + " -e trace=" + call +
           (inject.empty() ? "" : " -e inject=" + inject) + " ");
    const std::string trace = read_file(log);
    fs::remove(log);
    return trace;
  }

  // The signal is raised as the server enters the Nth call of its kind, so that
  // the call runs with the signal pending.
  void launch_with_signal() {
    const std::string& call = c_.signal.at(1);
    const std::string trace =
        traced(call, call + ":signal=" + c_.signal[0] + ":when=" + c_.signal.at(2));
    EXPECT_NE(trace.find("--- SIG" + c_.signal[0]), std::string::npos) << "no signal";
  }

  // A first run without the fault finds the number of the call it names among
  // all calls of its kind.
  void launch_with_fault() {
    const std::string call = c_.fault.at(0), error = c_.fault.at(2);
    const int nth = std::stoi(c_.fault.at(1));
    const std::regex where(c_.fault.at(3));
    int number = 0, matched = 0;
    for (const std::string& line : lines_of(traced(call, ""))) {
      ++number;
      if (std::regex_search(line, where) && ++matched == nth) break;
    }
    EXPECT_EQ(matched, nth) << "no such call";
    const std::string injection = call + ":" + (error.starts_with("retval") ? "" : "error=") +
                                  error + ":when=" + std::to_string(number);
    std::vector<std::string> failed;
    for (const std::string& line : lines_of(traced(call, injection)))
      if (line.ends_with("(INJECTED)")) failed.push_back(line);
    EXPECT_EQ(failed.size(), 1u) << "calls failed";
    EXPECT_TRUE(failed.empty() || std::regex_search(failed[0], where)) << failed[0];
  }

  void finish_case() {
    SCOPED_TRACE(c_.name);
    if (!c_.fault.empty()) {
      launch_with_fault();
    } else if (!c_.signal.empty()) {
      launch_with_signal();
    } else {
      launch();
    }
    const bool serving = c_.args.empty();
    const std::string events = (serving ? "vesk-desktop-mcp: ready\n" : "") + c_.events +
                               (serving && c_.exit == 0 ? "vesk-desktop-mcp: closed\n" : "");
    EXPECT_EQ(read_file(scratch_ + "/1"), c_.stdout_.empty() ? c_.out : "");
    EXPECT_EQ(read_file(scratch_ + "/2"), c_.stderr_.empty() ? events : "");

    // The server's own files are its owner's only.
    const fs::perms private_file = fs::perms::owner_read | fs::perms::owner_write;
    const std::string lock = scratch_ + kDataDir + "/stories-sources.lock";
    EXPECT_EQ(fs::is_regular_file(lock) ? fs::status(lock).permissions() : private_file,
              private_file);
    std::vector<std::string> seeds;
    for (const auto& entry : fs::recursive_directory_iterator(scratch_)) {
      const std::string name = entry.path().filename().string();
      EXPECT_FALSE(name.ends_with(".tmp")) << entry.path();
      if (entry.path().parent_path() != scratch_ + kDataDir + kQueue) continue;
      if (read_file(entry.path()) == "{}") continue;  // queued before the run
      EXPECT_TRUE(std::regex_match(name, std::regex("[0-7][0-9A-HJKMNP-TV-Z]{25}\\.json"))) << name;
      EXPECT_EQ(entry.status().permissions(), private_file);
      seeds.push_back(std::regex_replace(read_file(entry.path()),
                                         std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ"),
                                         "TIME"));
    }
    const std::regex saved("outcome=saved");
    EXPECT_EQ(seeds.size(),
              std::distance(std::sregex_iterator(c_.events.begin(), c_.events.end(), saved),
                            std::sregex_iterator()));
    std::sort(seeds.begin(), seeds.end());
    std::sort(c_.seeds.begin(), c_.seeds.end());
    EXPECT_TRUE(std::includes(seeds.begin(), seeds.end(), c_.seeds.begin(), c_.seeds.end()))
        << ::testing::PrintToString(seeds);
  }

  // The built server, or a shipped one that VESK_TEST_BINARY names.
  const std::string kBinary =
      getenv("VESK_TEST_BINARY") ? getenv("VESK_TEST_BINARY") : VESK_BINARY_PATH;
  const std::string kDataDir = "/Library/Application Support/team.vesk.desktop";
  // The queue a bare `marker` names.
  const std::string kQueueKey = "01JBQ7ZK3V9W2X4Y5Z6A7B8C9D/01JBQ80000000000000000000A";
  const std::string kQueue = "/story-seeds/" + kQueueKey;
  // The home a case runs in, and the lay-out that each run of it starts from.
  const std::string scratch_ = [] {
    std::string pattern = (fs::temp_directory_path() / "vesk-test-XXXXXX").string();
    return std::string(mkdtemp(pattern.data()));
  }();
  const std::string layout_ = scratch_ + ".layout";
  Case c_;
};

}  // namespace vesk_test
