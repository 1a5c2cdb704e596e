// The registry helpers and the start-up lockdown value, against a key of
// the test's own.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/LogCapture.h"
#include "TestRegistryKey.h"
#include "handlers/LockdownValue.h"
#include "handlers/RegistryValues.h"

namespace {
class RegistryValuesTest : public ::testing::Test {
 protected:
  LogCapture m_log;
  TestRegistryKey m_reg;
};
const char kKey[] = "Fonts\\Sub";
}  // namespace

TEST_F(RegistryValuesTest, TextValuesWrittenReadAndListed) {
  std::vector<std::string> list = {"stale"};
  GetReistryValueList(m_reg.root(), kKey, list);
  EXPECT_TRUE(list.empty()) << "no key yet";

  EXPECT_EQ(SetRegistryValue(m_reg.root(), kKey, "나눔", "나눔.ttf"), 1);
  EXPECT_EQ(SetRegistryValue(m_reg.root(), kKey, "Sample", "Sample.ttf"), 1);
  EXPECT_EQ(SetRegistryValue(m_reg.root(), kKey, "Empty", ""), 1);
  std::string text;
  EXPECT_EQ(GetRegistryString(m_reg.root(), kKey, "나눔", text), 1);
  EXPECT_EQ(text, "나눔.ttf");
  EXPECT_EQ(GetRegistryString(m_reg.root(), kKey, "Missing", text), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(GetRegistryString(m_reg.root(), "NoSuchKey", "Sample", text), 0);

  GetReistryValueList(m_reg.root(), kKey, list);
  std::sort(list.begin(), list.end());
  EXPECT_EQ(list, (std::vector<std::string>{"Sample.ttf", "나눔.ttf"})) << "empty data is left out";
  EXPECT_EQ(m_log.Count("[INFO ] CVantoExeDlg::GetReistryValueList> strSubKey = Fonts\\Sub."), 2);
  EXPECT_TRUE(m_log.Contains("[INFO ] CVantoExeDlg::GetReistryValueList> Font count = 2."));
  EXPECT_FALSE(m_log.Contains("Font count = 0."));

  // A text longer than the 1024-byte buffer is not read.
  EXPECT_EQ(SetRegistryValue(m_reg.root(), kKey, "Long", std::string(1500, 'x')), 1);
  EXPECT_EQ(GetRegistryString(m_reg.root(), kKey, "Long", text), 0);
}

TEST_F(RegistryValuesTest, DwordReadWithDefaultAndWritten) {
  long value = 7;
  EXPECT_EQ(ReadRegisterDWORD(m_reg.root(), "Dw", "v", -1, value), -2);
  EXPECT_EQ(value, -1);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::ReadRegisterDWORD> RegQueryValueEx() Fail, RetVal = 2"));
  EXPECT_EQ(WritreRegisterDWORD(m_reg.root(), "Dw", "v", 5), 0);
  EXPECT_EQ(ReadRegisterDWORD(m_reg.root(), "Dw", "v", -1, value), 0);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(WritreRegisterDWORD(m_reg.root(), "Dw", "v", -1), 0);
  EXPECT_EQ(ReadRegisterDWORD(m_reg.root(), "Dw", "v", 0, value), 0);
  EXPECT_EQ(value, -1);

  // A key that cannot be created: below a closed handle.
  value = 3;
  EXPECT_EQ(ReadRegisterDWORD(reinterpret_cast<HKEY>(0x1234), "Dw", "v", -1, value), -1);
  EXPECT_EQ(value, 3);
  EXPECT_EQ(WritreRegisterDWORD(reinterpret_cast<HKEY>(0x1234), "Dw", "v", 0), -1);
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::ReadRegisterDWORD> RegCreateKeyEx() Fail, RetVal = 6"));
  EXPECT_TRUE(m_log.Contains("[DEBUG] CVantoExeDlg::WritreRegisterDWORD> RegCreateKeyEx() Fail, RetVal = 6"));
}

TEST_F(RegistryValuesTest, LockdownValueSetOncePerProgramRun) {
  const std::string line = "[DEBUG] CVantoExeDlg::UpdateRegisterKeyValue> iexplore.exe System Registry Value : ";
  const std::string done =
      "[ERROR] CVantoExeDlg::UpdateRegisterKeyValue> Success To Set System Registry Value, Value = ";
  EXPECT_EQ(UpdateRegisterKeyValue(0, m_reg.root()), 0);
  DWORD stored = 9;
  EXPECT_FALSE(m_reg.ReadDword(kLockdownKey, kLockdownValueName, &stored)) << "not after the first start";

  EXPECT_EQ(UpdateRegisterKeyValue(1, m_reg.root()), 0);
  ASSERT_TRUE(m_reg.ReadDword(kLockdownKey, kLockdownValueName, &stored));
  EXPECT_EQ(stored, 0u);
  EXPECT_TRUE(m_log.Contains(line + "-1"));
  EXPECT_TRUE(m_log.Contains(done + "-1"));

  // Already 0: left alone.
  EXPECT_EQ(UpdateRegisterKeyValue(1, m_reg.root()), 0);
  EXPECT_EQ(m_log.Count(line), 1);

  EXPECT_EQ(WritreRegisterDWORD(m_reg.root(), kLockdownKey, kLockdownValueName, 1), 0);
  EXPECT_EQ(UpdateRegisterKeyValue(1, m_reg.root()), 0);
  EXPECT_TRUE(m_log.Contains(line + "1"));
  EXPECT_TRUE(m_log.Contains(done + "1"));
  ASSERT_TRUE(m_reg.ReadDword(kLockdownKey, kLockdownValueName, &stored));
  EXPECT_EQ(stored, 0u);
}
