#include "http/CertificateRetry.h"

#include <gtest/gtest.h>

#include <string>

#include "http/CertificatePrompt.h"

namespace {
struct Case {
  const char* what;
  int16_t svrHttps;
  int certIgnoreFlag;
  int firstResult;
  int32_t errCode;
  bool answerYes;
  int expectedCalls;
  int expectedQuestions;
};

const Case kCases[] = {
    {"asks and retries", 2, 0, -6, 12045, true, 2, 1},
    {"No keeps the failure", 2, 0, -6, 12045, false, 1, 1},
    {"success never asks", 2, 0, 0, 12045, true, 1, 0},
    {"other errors never ask", 2, 0, -6, 12029, true, 1, 0},
    {"already ignoring", 2, 1, -6, 12045, true, 1, 0},
    {"SVR_HTTPS 1 ignores silently", 1, 0, -6, 12045, true, 1, 0},
    {"SVR_HTTPS 3 fails", 3, 0, -6, 12045, true, 1, 0},
};
}  // namespace

TEST(CertificateRetry, AsksOnceThenRetriesOnYes) {
  for (const Case& c : kCases) {
    int flag = c.certIgnoreFlag;
    int calls = 0;
    int questions = 0;
    std::string asked;
    int32_t errCode = 0;
    std::string errText;
    const CertificateRetry rule{c.svrHttps, flag,
                                [&](const std::string& question) {
                                  ++questions;
                                  asked = question;
                                  return c.answerYes;
                                },
                                nullptr, "retry"};
    const int result = CallWithCertificateRetry(
        rule,
        [&] {
          ++calls;
          errCode = calls == 1 ? c.errCode : 0;
          errText = "error text";
          return calls == 1 ? c.firstResult : 0;
        },
        errCode, errText);
    EXPECT_EQ(calls, c.expectedCalls) << c.what;
    EXPECT_EQ(questions, c.expectedQuestions) << c.what;
    EXPECT_EQ(result, calls == 2 ? 0 : c.firstResult) << c.what;
    EXPECT_EQ(flag, calls == 2 ? 1 : c.certIgnoreFlag) << c.what;
    if (questions) {
      EXPECT_EQ(asked, CertificatePromptText("error text")) << c.what;
    }
  }
}
