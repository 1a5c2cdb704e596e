#include "run/PublisherSignature.h"

#include "config/VantoCfg.h"
#include "run/RunServices.h"
#include "trust/MinisignFormat.h"

std::string UnverifiedPathOf(const std::string& localPath) { return localPath + ".unverified"; }

std::string AcceptedListKey(const CVantoCfg& cfg) {
  const bool bp = !cfg.m_strOrgSvrIpAddr.empty();
  const std::string& host = bp ? cfg.m_strOrgSvrIpAddr : cfg.SVR_IP_ADDR;
  const std::string& port = bp ? cfg.m_strOrgSvrPortNo : cfg.SVR_PORT_NO;
  return host + ":" + port + cfg.DOWNLOAD_BASE_URL + "/" + cfg.LIST_FILE_NAME;
}

PublisherCheck CheckPublisherSignature(IRunServices& services, const CVantoCfg& cfg, const std::string& serverPath,
                                       const std::string& stagedPath, const ReleaseRules& rules) {
  PublisherCheck check;
  MinisignPublicKey key;
  std::string reason;
  if (!ParsePublicKey(cfg.PUBLISHER_KEY, key, reason)) {
    check.reason = "PUBLISHER_KEY is not a minisign public key (" + reason + ")";
    return check;
  }
  check.keyId = KeyIdText(key.keyId);

  std::string text;
  int errCode = 0;
  std::string errText;
  const std::string signaturePath = serverPath + ".minisig";
  check.fetchResult = services.FetchSmallFile(signaturePath, kMaxSignatureFileSize, text, errCode, errText);
  if (check.fetchResult != 0) {
    check.reason = check.fetchResult == FETCH_TOO_LARGE
                       ? "signature file " + signaturePath + " larger than 4096 bytes"
                       : "no signature file " + signaturePath + " (RetVal = " + std::to_string(check.fetchResult) +
                             (errText.empty() ? "" : ", " + errText) + ")";
    return check;
  }
  check.fetched = true;
  const ReleaseCheck release = CheckSignedRelease(key, text, stagedPath, rules);
  check.verdict = release.verdict;
  check.reason = release.reason;
  check.timestamp = release.timestamp;
  check.accepted = release.verdict == ReleaseVerdict::Accepted;
  return check;
}

std::string RefusalRowReason(const PublisherCheck& check) {
  if (check.keyId.empty()) return "서명 키(PUBLISHER_KEY) 설정 오류";
  if (!check.fetched) return check.fetchResult == FETCH_TOO_LARGE ? "서명 파일 손상" : "서명 파일 없음";
  switch (check.verdict) {
    case ReleaseVerdict::Accepted: return "";
    case ReleaseVerdict::Damaged: return "서명 파일 손상";
    case ReleaseVerdict::OtherKey: return "다른 키로 서명됨";
    case ReleaseVerdict::Mismatch: return "서명 불일치(변조 의심)";
    case ReleaseVerdict::Unreadable: return "받은 파일을 읽을 수 없음";
    case ReleaseVerdict::OtherFile: return "다른 파일의 서명";
    case ReleaseVerdict::NoTimestamp: return "서명 시각 없음";
    case ReleaseVerdict::FutureTimestamp: return "서명 시각이 미래임";
    case ReleaseVerdict::Rollback: return "이전 버전 리스트(재전송 의심)";
  }
  return "";
}
