#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "support/LogCapture.h"
#include "http/ServerConfigLine.h"

namespace {
ServerConfigLineKind Classify(const std::string& line, std::string* key = nullptr, std::string* value = nullptr) {
  std::string k, v;
  const ServerConfigLineKind kind = ClassifyServerConfigLine(line, k, v);
  if (key) *key = k;
  if (value) *value = v;
  return kind;
}
}  // namespace

TEST(ServerConfigLine, CommentsEmptyAndInvalidLines) {
  EXPECT_EQ(Classify(""), SERVER_CFG_LINE_EMPTY);
  EXPECT_EQ(Classify(";x=1"), SERVER_CFG_LINE_COMMENT);
  EXPECT_EQ(Classify("#x=1"), SERVER_CFG_LINE_COMMENT);
  EXPECT_EQ(Classify(" x=1"), SERVER_CFG_LINE_COMMENT);
  EXPECT_EQ(Classify("KEY="), SERVER_CFG_LINE_INVALID);
  EXPECT_EQ(Classify("=VALUE"), SERVER_CFG_LINE_INVALID);
  EXPECT_EQ(Classify("A=B=C"), SERVER_CFG_LINE_INVALID);
  EXPECT_EQ(Classify("NOEQUALS"), SERVER_CFG_LINE_INVALID);
}

TEST(ServerConfigLine, KeyAndValueWithoutTrimming) {
  std::string key, value;
  EXPECT_EQ(Classify("TARGET_DIR==C:\\x", &key, &value), SERVER_CFG_LINE_SETTING);
  EXPECT_EQ(key, "TARGET_DIR");
  EXPECT_EQ(value, "C:\\x");
  EXPECT_EQ(Classify("EXCLUDE_DIRS=\"a=b\"", &key, &value), SERVER_CFG_LINE_SETTING);
  EXPECT_EQ(value, "a=b");
  EXPECT_EQ(Classify("KEY =value ", &key, &value), SERVER_CFG_LINE_SETTING);
  EXPECT_EQ(key, "KEY ");
  EXPECT_EQ(value, "value ");
}

TEST(ServerConfigLine, KeysMatchIgnoringCase) {
  CVantoCfg cfg;
  EXPECT_TRUE(ApplyServerConfigKey(cfg, "list_file_name", "list.txt"));
  EXPECT_EQ(cfg.LIST_FILE_NAME, "list.txt");
  EXPECT_TRUE(ApplyServerConfigKey(cfg, "Time_Check_Span", " 12x"));
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 12);
  EXPECT_TRUE(ApplyServerConfigKey(cfg, "OCX_FILE_REGISTRY_MODE", "7"));
  EXPECT_EQ(cfg.OCX_FILE_REGISTRY_MODE, 7);  // stored as sent, no clamp
  EXPECT_TRUE(ApplyServerConfigKey(cfg, "SVR_HTTPS", "65538"));
  EXPECT_EQ(cfg.SVR_HTTPS, 2);  // 16 bits
  EXPECT_TRUE(ApplyServerConfigKey(cfg, "PROXY_USER_PASSWORD", "p a=ss"));
  EXPECT_EQ(cfg.PROXY_USER_PASSWORD, "p a=ss");
}

TEST(ServerConfigLine, UnknownKeysChangeNothing) {
  CVantoCfg cfg;
  const std::string before = cfg.LAST_LIST_FILE_NAME;
  EXPECT_FALSE(ApplyServerConfigKey(cfg, "LIST_FILE_NAME ", "x"));
  EXPECT_FALSE(ApplyServerConfigKey(cfg, "m_strStartMode", "9"));
  EXPECT_FALSE(ApplyServerConfigKey(cfg, "LOG_ENCODE_FLAG", "1"));
  EXPECT_EQ(cfg.LIST_FILE_NAME, "");
  EXPECT_EQ(cfg.LOG_ENCODE_FLAG, 0);
  EXPECT_EQ(cfg.LAST_LIST_FILE_NAME, before);
}

TEST(ServerConfigLine, All38KeysAreKnown) {
  const char* keys[] = {"SVR_IP_ADDR", "SVR_PORT_NO", "DOWNLOAD_BASE_URL", "LIST_FILE_NAME", "TARGET_DIR",
                        "DESKTOP_LINK_NAME", "DESKTOP_LINK_URL", "DESKTOP_LINK_ICON_LOCATION", "PROGRAM_LINK_NAME",
                        "PROGRAM_FILE_PATH", "PROGRAM_ARGUMENT", "PROGRAM_LINK_ICON_LOCATION",
                        "AGENT_PROG_FILE_PATH", "AGENT_PROG_ARGUMENT", "EXCLUDE_DIRS", "RUN_MODE",
                        "LOOMBROWSER_PROG_FILE_PATH", "LOOMBROWSER_PROG_ARGUMENT", "KILL_LOOMBROWSER5_FLAG",
                        "LOOMBROWSER5_PROG_FILE_PATH", "LOOMBROWSER5_PROG_ARGUMENT", "CHECK_LIST_FILE_FLAG",
                        "TIME_CHECK_SPAN", "ALL_REG_FLAG", "KILL_LOOMBROWSER_FLAG", "SVR_HTTPS",
                        "DELETE_LOCAL_LIST_FILE", "PROXY_IP_ADDR", "PROXY_USER_NAME", "PROXY_USER_PASSWORD",
                        "PROXY_AUTH_MODE", "OCX_FILE_REGISTRY_MODE", "DOWNLOAD_FROM_BP_SERVER",
                        "BP_SERVER_PORT_NO", "LAST_LIST_FILE_NAME", "LAST_CHECK_DAY_INTERVAL", "ENCODE_URL_UTF",
                        "FILE_COMPARE_GMT_TIME"};
  EXPECT_EQ(sizeof(keys) / sizeof(keys[0]), 38u);
  CVantoCfg cfg;
  for (const char* key : keys) EXPECT_TRUE(ApplyServerConfigKey(cfg, key, "3")) << key;
  EXPECT_EQ(cfg.SVR_IP_ADDR, "3");
  EXPECT_EQ(cfg.FILE_COMPARE_GMT_TIME, 3);
  EXPECT_EQ(cfg.LOOMBROWSER5_PROG_ARGUMENT, "3");
}

namespace {
// A server answer: the text, then (endless) as many filler bytes as asked
// for, at most limit bytes in all before it counts as reading without end.
class ScriptedBody {
 public:
  ScriptedBody(std::string text, char filler = 0, uint64_t limit = 8u << 20)
      : m_text(std::move(text)), m_filler(filler), m_limit(limit) {}
  uint32_t operator()(void* buffer, uint32_t capacity) {
    if (m_given >= m_limit) throw std::runtime_error("read without end");
    uint32_t n = 0;
    char* out = static_cast<char*>(buffer);
    while (n < capacity && (m_given < m_text.size() || m_filler)) {
      out[n++] = m_given < m_text.size() ? m_text[m_given] : m_filler;
      ++m_given;
    }
    return n;
  }
  uint64_t Given() const { return m_given; }

 private:
  std::string m_text;
  char m_filler;
  uint64_t m_limit;
  uint64_t m_given = 0;
};

std::string Apply(ScriptedBody& body, CVantoCfg& cfg) {
  LogCapture log;
  ApplyServerConfigBody(std::ref(body), cfg);
  return log.Text();
}
}  // namespace

TEST(ServerConfigBody, LinesAreAppliedWithTheirLogLines) {
  CVantoCfg cfg;
  ScriptedBody body("LIST_FILE_NAME=a.lst\r\n\n#x=1\nKEY=\nTIME_CHECK_SPAN=7");
  const std::string log = Apply(body, cfg);
  EXPECT_EQ(cfg.LIST_FILE_NAME, "a.lst");
  EXPECT_EQ(cfg.TIME_CHECK_SPAN, 7);
  const std::string p = "CVantoCfg::LoadConfigFromServer> ";
  for (const std::string& line : {p + "Read Line : LIST_FILE_NAME=a.lst\r\n", p + "Invalid Line, Line Length is 0",
                                  p + "Invalid Line\r\n", p + "Read Line : TIME_CHECK_SPAN=7"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
}

// A line beyond the bound is ignored as a whole, even where its first part
// would be a setting; the next line is read as usual.
TEST(ServerConfigBody, OverlongLinesAreIgnored) {
  CVantoCfg cfg;
  const std::string exact = "TARGET_DIR=" + std::string(kServerConfigLineLimit - 11, 'e');
  ScriptedBody body("LIST_FILE_NAME=" + std::string(kServerConfigLineLimit, 'x') + "\n" + exact + "\r\nRUN_MODE=A\n");
  const std::string log = Apply(body, cfg);
  EXPECT_EQ(cfg.LIST_FILE_NAME, "");
  EXPECT_EQ(cfg.TARGET_DIR, exact.substr(11));  // exactly the bound: still a line
  EXPECT_EQ(cfg.RUN_MODE, "A");
  EXPECT_NE(log.find("[WARN ] CVantoCfg::LoadConfigFromServer> Invalid Line, Line Length is over 4096"), std::string::npos);
}

// An answer without end (or without line ends) is read up to the bound and
// no further; complete lines stay applied, a line cut by the bound does not.
TEST(ServerConfigBody, ReadingStopsAtTheBound) {
  for (const char filler : {'A', '\n'}) {
    SCOPED_TRACE(static_cast<int>(filler));
    CVantoCfg cfg;
    ScriptedBody body("RUN_MODE=B\nLIST_FILE_NAME=c.lst", filler);
    if (filler == 'A') {
      EXPECT_NE(Apply(body, cfg).find("[ERROR] CVantoCfg::LoadConfigFromServer> The file is longer than 65536 bytes, "
                                      "the rest is not read."),
                std::string::npos);
    } else {
      ApplyServerConfigBody(std::ref(body), cfg);  // without a log: 65536 empty lines are quick
    }
    EXPECT_EQ(cfg.RUN_MODE, "B");
    EXPECT_EQ(cfg.LIST_FILE_NAME, filler == '\n' ? "c.lst" : "");
    EXPECT_EQ(body.Given(), kServerConfigBodyLimit);
  }
}

TEST(ServerConfigBody, ReadErrorsPassThrough) {
  CVantoCfg cfg;
  auto failing = [](void*, uint32_t) -> uint32_t { throw std::runtime_error("reset"); };
  EXPECT_THROW(ApplyServerConfigBody(failing, cfg), std::runtime_error);
}

TEST(ServerConfigLine, PublisherKeyIsNeverTakenFromTheServer) {
  CVantoCfg cfg;
  EXPECT_FALSE(ApplyServerConfigKey(cfg, "PUBLISHER_KEY", "RWQf6LRCGA9i53mlYecO4IzT51TGPpvWucNSCh1CBM0QTaLn73Y7GFO3"));
  EXPECT_TRUE(cfg.PUBLISHER_KEY.empty());
}
