#pragma once
// The one table of configuration keys. Each row declares the CVantoCfg
// member of that name and says where the key is read and shown:
//   type     Text (std::string), Int (int) or Short (int16_t)
//   name     member name = INI key = server key = dump label
//   initial  value before any source is read
//   missing  value an INI file gives when the key is absent (CFG_NOT_IN_INI
//            when the INI reader does not read the key)
//   field    index in the 40-field command line, or CFG_NO_FIELD
//   uses     CFG_INI, CFG_SERVER (the server configuration may set it),
//            CFG_DUMP (shown by the configuration dump, in table order)
// Adding a key is one row here; the INI reader, the dump, the long command
// line and the server configuration follow from it. Rows are in dump order,
// which administrators compare between logs: append, never reorder.
#include <cstdint>
#include <string>

// Member types of the table's type column.
using CfgText = std::string;
using CfgInt = int;
using CfgShort = int16_t;

// Where a key is read or shown (the uses column).
enum CfgKeyUse : unsigned {
  CFG_INI = 1u,     // read from INI files
  CFG_SERVER = 2u,  // may be set by the server configuration file
  CFG_DUMP = 4u,    // shown by the configuration dump
  CFG_EVERYWHERE = CFG_INI | CFG_SERVER | CFG_DUMP,
};
constexpr const char* CFG_NOT_IN_INI = nullptr;
constexpr int CFG_NO_FIELD = -1;

#define VANTO_CFG_KEYS(KEY)                                                                     \
  /*  type   name                         initial               missing          field  uses */ \
  KEY(Text,  m_strStartMode,              "",                   CFG_NOT_IN_INI,  0,     CFG_DUMP)  \
  KEY(Text,  m_strCfgFilePath,            "",                   CFG_NOT_IN_INI,  CFG_NO_FIELD, CFG_DUMP) \
  KEY(Text,  m_strCfgFileSectionName,     "",                   CFG_NOT_IN_INI,  CFG_NO_FIELD, CFG_DUMP) \
  KEY(Text,  SVR_IP_ADDR,                 "",                   "",              2,     CFG_EVERYWHERE) \
  KEY(Text,  SVR_PORT_NO,                 "",                   "",              3,     CFG_EVERYWHERE) \
  KEY(Text,  DOWNLOAD_BASE_URL,           "",                   "",              4,     CFG_EVERYWHERE) \
  KEY(Text,  LIST_FILE_NAME,              "",                   "",              5,     CFG_EVERYWHERE) \
  KEY(Text,  TARGET_DIR,                  "",                   "",              6,     CFG_EVERYWHERE) \
  KEY(Int,   CHECK_LIST_FILE_FLAG,        0,                    "0",             7,     CFG_EVERYWHERE) \
  KEY(Int,   ALL_REG_FLAG,                0,                    "0",             8,     CFG_EVERYWHERE) \
  KEY(Int,   KILL_LOOMBROWSER_FLAG,       0,                    "0",             23,    CFG_EVERYWHERE) \
  KEY(Int,   KILL_LOOMBROWSER5_FLAG,      0,                    "0",             34,    CFG_EVERYWHERE) \
  KEY(Int,   LOG_ENCODE_FLAG,             0,                    CFG_NOT_IN_INI,  1,     CFG_DUMP)  \
  KEY(Int,   TIME_CHECK_SPAN,             5,                    "5",             10,    CFG_EVERYWHERE) \
  KEY(Text,  EXCLUDE_DIRS,                "",                   "",              9,     CFG_EVERYWHERE) \
  KEY(Text,  RUN_MODE,                    "",                   "LOOM_BROWSER",  11,    CFG_EVERYWHERE) \
  KEY(Text,  DESKTOP_LINK_NAME,           "",                   "",              16,    CFG_EVERYWHERE) \
  KEY(Text,  DESKTOP_LINK_URL,            "",                   "",              17,    CFG_EVERYWHERE) \
  KEY(Text,  DESKTOP_LINK_ICON_LOCATION,  "",                   "",              18,    CFG_EVERYWHERE) \
  KEY(Text,  LOOMBROWSER_PROG_FILE_PATH,  "",                   "",              12,    CFG_EVERYWHERE) \
  KEY(Text,  LOOMBROWSER_PROG_ARGUMENT,   "",                   "",              13,    CFG_EVERYWHERE) \
  KEY(Text,  LOOMBROWSER5_PROG_FILE_PATH, "",                   "",              35,    CFG_EVERYWHERE) \
  KEY(Text,  LOOMBROWSER5_PROG_ARGUMENT,  "",                   "",              36,    CFG_EVERYWHERE) \
  KEY(Text,  AGENT_PROG_FILE_PATH,        "",                   "",              14,    CFG_EVERYWHERE) \
  KEY(Text,  AGENT_PROG_ARGUMENT,         "",                   "",              15,    CFG_EVERYWHERE) \
  KEY(Text,  PROGRAM_LINK_NAME,           "",                   "",              19,    CFG_EVERYWHERE) \
  KEY(Text,  PROGRAM_FILE_PATH,           "",                   "",              20,    CFG_EVERYWHERE) \
  KEY(Text,  PROGRAM_ARGUMENT,            "",                   "",              21,    CFG_EVERYWHERE) \
  KEY(Text,  PROGRAM_LINK_ICON_LOCATION,  "",                   "",              22,    CFG_EVERYWHERE) \
  KEY(Short, SVR_HTTPS,                   0,                    "0",             24,    CFG_EVERYWHERE) \
  KEY(Int,   DELETE_LOCAL_LIST_FILE,      0,                    "0",             25,    CFG_EVERYWHERE) \
  /* The proxy keys stay out of the dump: they carry a password. */                             \
  KEY(Text,  PROXY_IP_ADDR,               "",                   "",              26,    CFG_INI | CFG_SERVER) \
  KEY(Text,  PROXY_USER_NAME,             "",                   "",              27,    CFG_INI | CFG_SERVER) \
  KEY(Text,  PROXY_USER_PASSWORD,         "",                   "",              28,    CFG_INI | CFG_SERVER) \
  KEY(Int,   PROXY_AUTH_MODE,             0,                    "0",             29,    CFG_INI | CFG_SERVER) \
  KEY(Int,   OCX_FILE_REGISTRY_MODE,      2,                    "2",             30,    CFG_EVERYWHERE) \
  KEY(Int,   DOWNLOAD_FROM_BP_SERVER,     0,                    "0",             31,    CFG_EVERYWHERE) \
  KEY(Text,  BP_SERVER_PORT_NO,           "",                   "",              32,    CFG_EVERYWHERE) \
  KEY(Text,  LAST_LIST_FILE_NAME,         "_listfile_last.txt", "",              33,    CFG_EVERYWHERE) \
  KEY(Int,   LAST_CHECK_DAY_INTERVAL,     0,                    "0",             37,    CFG_EVERYWHERE) \
  KEY(Int,   ENCODE_URL_UTF,              1,                    "1",             38,    CFG_EVERYWHERE) \
  KEY(Int,   FILE_COMPARE_GMT_TIME,       1,                    "1",             39,    CFG_EVERYWHERE) \
  /* Local INI files only: never from the server configuration or the list.  */                 \
  /* The dump shows its key id (a line of its own, after FILE_COMPARE_GMT_TIME). */             \
  KEY(Text,  PUBLISHER_KEY,               "",                   "",              CFG_NO_FIELD, CFG_INI) \
  /* Connections for the entries' queries and downloads, 1 to kMaxParallelConnections; INI only,  \
     and out of the dump: 1 keeps the log as it was. */                                        \
  KEY(Int,   PARALLEL_CONNECTIONS,        1,                    "1",             CFG_NO_FIELD, CFG_INI)
