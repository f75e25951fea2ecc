/* The one source of the program's version and maker's lines: the resource
   script, the About window, tivrel-report --version and CMake's project() all
   take them from here. To release, change the four numbers below; everything
   else is derived from them. Plain preprocessor text so that the resource
   compiler can read it, and so that CMake can read the numbers (keep each as
   "#define TIVREL_VERSION_<PART> <digits>"); strings are UTF-8. */
#ifndef TIVREL_APP_VERSION_H
#define TIVREL_APP_VERSION_H

#define TIVREL_VERSION_MAJOR 0
#define TIVREL_VERSION_MINOR 0
#define TIVREL_VERSION_PATCH 0
#define TIVREL_VERSION_BUILD 730

#define TIVREL_STRINGIZE_(x) #x
#define TIVREL_STRINGIZE(x) TIVREL_STRINGIZE_(x)

#define TIVREL_VERSION_FIXED \
  TIVREL_VERSION_MAJOR, TIVREL_VERSION_MINOR, TIVREL_VERSION_PATCH, TIVREL_VERSION_BUILD
#define TIVREL_VERSION_DOTTED                                      \
  TIVREL_STRINGIZE(TIVREL_VERSION_MAJOR)                           \
  "." TIVREL_STRINGIZE(TIVREL_VERSION_MINOR) "." TIVREL_STRINGIZE( \
      TIVREL_VERSION_PATCH) "." TIVREL_STRINGIZE(TIVREL_VERSION_BUILD)

/* The version strings show the minor number in two digits and the build in
   four ("0.00.0730", "Build0730"); the preprocessor pads by comparison. */
#if TIVREL_VERSION_MINOR < 10
#define TIVREL_VERSION_MINOR_2 "0" TIVREL_STRINGIZE(TIVREL_VERSION_MINOR)
#else
#define TIVREL_VERSION_MINOR_2 TIVREL_STRINGIZE(TIVREL_VERSION_MINOR)
#endif
#if TIVREL_VERSION_BUILD < 10
#define TIVREL_VERSION_BUILD_4 "000" TIVREL_STRINGIZE(TIVREL_VERSION_BUILD)
#elif TIVREL_VERSION_BUILD < 100
#define TIVREL_VERSION_BUILD_4 "00" TIVREL_STRINGIZE(TIVREL_VERSION_BUILD)
#elif TIVREL_VERSION_BUILD < 1000
#define TIVREL_VERSION_BUILD_4 "0" TIVREL_STRINGIZE(TIVREL_VERSION_BUILD)
#else
#define TIVREL_VERSION_BUILD_4 TIVREL_STRINGIZE(TIVREL_VERSION_BUILD)
#endif

#define TIVREL_BUILD_TAG "Build" TIVREL_VERSION_BUILD_4
#define TIVREL_FILE_VERSION \
  TIVREL_STRINGIZE(TIVREL_VERSION_MAJOR) "." TIVREL_VERSION_MINOR_2 "." TIVREL_VERSION_BUILD_4
#define TIVREL_PRODUCT_VERSION TIVREL_FILE_VERSION
#define TIVREL_COMMENTS "岚铃声卡测试仪"
#define TIVREL_COMPANY "Tivrel"
#define TIVREL_DESCRIPTION "Tivrel"
#define TIVREL_PRODUCT_NAME "Tivrel " TIVREL_BUILD_TAG
#define TIVREL_INTERNAL_NAME "Tivrel"
#define TIVREL_ORIGINAL_FILENAME "Tivrel.exe"
/* The legal notice: the version resource and the About window both show it. */
#define TIVREL_LEGAL_COPYRIGHT "版权所有 (C) 2003 林晓岚"
#define TIVREL_LEGAL_TRADEMARKS "岚铃"
/* The string block: Chinese (PRC), Unicode. */
#define TIVREL_VERSION_BLOCK "080404B0"
#define TIVREL_VERSION_LANG 0x0804
#define TIVREL_VERSION_CODEPAGE 1200

#endif
