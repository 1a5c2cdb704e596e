#include <gtest/gtest.h>

#include "http/BackupPath.h"
#include "http/CertificateError.h"
#include "http/HttpStatusText.h"
#include "http/RequestFlags.h"
#include "http/UrlEncoding.h"

TEST(HttpStatusText, KnownCodesAndFallback) {
  EXPECT_EQ(GetHttpStatusText(404), "서버가 요청된 주소(URI)에 일치하는 자원을 찾지 못하였다.");
  EXPECT_EQ(GetHttpStatusText(407), "프록시(proxy) 승인이 필요하다.");
  EXPECT_EQ(GetHttpStatusText(402), "현재 HTTP 프로토콜(protocol)에 적용(implement)이 없다");
  EXPECT_EQ(GetHttpStatusText(307), "방향바꿈 요청은 동일한 HTTP를 유지한다. HTTP/1.1 behavior.");
  EXPECT_EQ(GetHttpStatusText(449), "요청이 적용하는 활동(action) 다음에 다시 시도되어야 한다.");
  for (int code : {0, 306, 416, 418, 506, -1}) EXPECT_EQ(GetHttpStatusText(code), "알 수 없는 에러입니다.") << code;
}

TEST(HttpStatusText, TextsAreCp949) {
  // "서버" in CP949 starts with 0xBC 0xAD.
  const std::string text = GetHttpStatusText(500);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(text[0]), 0xBC);
  EXPECT_EQ(static_cast<unsigned char>(text[1]), 0xAD);
}

TEST(CertificateError, ExactlyTheCertificateCodes) {
  for (int code : {12037, 12038, 12045, 12055, 12056, 12057, 12169, 12170}) EXPECT_TRUE(IsCertificateError(code)) << code;
  for (int code : {0, 12029, 12030, 12036, 12039, 12044, 12046, 12168, 12171, 12175}) EXPECT_FALSE(IsCertificateError(code)) << code;
}

// The fixed flags: reload, no cache write (0x04000000), existing connection,
// keep-alive.
TEST(RequestFlags, ByHttpsSettingAndIgnoreFlag) {
  EXPECT_EQ(ComputeRequestFlags(0, 0), 0xA4400000u);
  EXPECT_EQ(ComputeRequestFlags(-1, 1), 0xA4400000u);
  EXPECT_EQ(ComputeRequestFlags(2, 0), 0xA4C00000u);
  EXPECT_EQ(ComputeRequestFlags(3, 0), 0xA4C00000u);
  EXPECT_EQ(ComputeRequestFlags(1, 0), 0xA4C03000u);
  EXPECT_EQ(ComputeRequestFlags(2, 1), 0xA4C03000u);
  EXPECT_EQ(ComputeRequestFlags(3, 1), 0xA4C03000u);
  EXPECT_EQ(CertificateIgnoreSecurityFlags(), 0x3380u);
  EXPECT_FALSE(IsCertificateIgnored(0, 1));
  EXPECT_TRUE(IsCertificateIgnored(1, 0));
}

TEST(RequestFlags, CertificateQuestionOnlyForMode2NotYetIgnoring) {
  EXPECT_TRUE(ShouldAskIgnoreCertificate(2, 0, 12045));
  EXPECT_FALSE(ShouldAskIgnoreCertificate(2, 1, 12045));
  EXPECT_FALSE(ShouldAskIgnoreCertificate(1, 0, 12045));
  EXPECT_FALSE(ShouldAskIgnoreCertificate(3, 0, 12045));
  EXPECT_FALSE(ShouldAskIgnoreCertificate(2, 0, 12029));
}

TEST(EncodeUrl, AsciiStaysNonAsciiBecomesUtf8Escapes) {
  EXPECT_EQ(EncodeUtf16UnitsAsUtf8Escapes(u"/pub/a b%?#/\uD55C.txt"), "/pub/a b%?#/%ED%95%9C.txt");
  EXPECT_EQ(EncodeUtf16UnitsAsUtf8Escapes(u"\u00E9\u07FF"), "%C3%A9%DF%BF");
  EXPECT_EQ(EncodeUtf16UnitsAsUtf8Escapes(u"\u0800"), "%E0%A0%80");
  // A surrogate pair is escaped half by half.
  EXPECT_EQ(EncodeUtf16UnitsAsUtf8Escapes(u"\U0001F600"), "%ED%A0%BD%ED%B8%80");
}

TEST(EncodeUrl, Cp949NamesAndTheSwitch) {
  const std::string name = "/pub/bin/한.dll";
  EXPECT_EQ(EncodeUrlUtf8(name, 1), "/pub/bin/%ED%95%9C.dll");
  EXPECT_EQ(EncodeUrlUtf8(name, 0), name);
  EXPECT_EQ(EncodeUrlUtf8("", 1), "");
}

TEST(EncodeUrl, ResultIsLimitedTo1023Bytes) {
  std::u16string many(400, u'\uD55C');
  EXPECT_EQ(EncodeUtf16UnitsAsUtf8Escapes(many).size(), 1023u);
}

TEST(BackupPath, OwnExtensionOrBackup) {
  EXPECT_EQ(MakeBackupPath("C:\\t\\bin\\x.dll"), "C:\\t\\bin\\x.dll.dll");
  EXPECT_EQ(MakeBackupPath("C:\\t\\app.ocx"), "C:\\t\\app.ocx.ocx");
  EXPECT_EQ(MakeBackupPath("C:\\t\\README"), "C:\\t\\README.backup");
  EXPECT_EQ(MakeBackupPath("C:\\t.d\\README"), "C:\\t.d\\README.backup");
  EXPECT_EQ(MakeBackupPath("C:\\t\\a.tar.gz"), "C:\\t\\a.tar.gz.gz");
  EXPECT_EQ(MakeBackupPath("C:\\t\\a.b c"), "C:\\t\\a.b c.backup");
}
