/* The one source of the program's version: the resource script and the
   About window both take it from here. Plain preprocessor text so that the
   resource compiler can read it; strings are UTF-8. */
#ifndef TIVREL_APP_VERSION_H
#define TIVREL_APP_VERSION_H

#define TIVREL_VERSION_MAJOR 0
#define TIVREL_VERSION_MINOR 0
#define TIVREL_VERSION_PATCH 0
#define TIVREL_VERSION_BUILD 730
#define TIVREL_VERSION_FIXED 0, 0, 0, 730
#define TIVREL_VERSION_DOTTED "0.0.0.730"

#define TIVREL_BUILD_TAG "Build0730"
#define TIVREL_FILE_VERSION "0.00.0730"
#define TIVREL_PRODUCT_VERSION "0.00.0730"
#define TIVREL_COMMENTS "岚铃声卡测试仪"
#define TIVREL_COMPANY "Tivrel"
#define TIVREL_DESCRIPTION "Tivrel"
#define TIVREL_PRODUCT_NAME "Tivrel " TIVREL_BUILD_TAG
#define TIVREL_INTERNAL_NAME "Tivrel"
#define TIVREL_ORIGINAL_FILENAME "Tivrel.exe"
#define TIVREL_LEGAL_COPYRIGHT "版权所有 (C) 2003 林晓岚"
#define TIVREL_LEGAL_TRADEMARKS "岚铃"
/* The string block: Chinese (PRC), Unicode. */
#define TIVREL_VERSION_BLOCK "080404B0"
#define TIVREL_VERSION_LANG 0x0804
#define TIVREL_VERSION_CODEPAGE 1200

#endif
