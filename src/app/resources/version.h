#pragma once
// The one place the program's version lives; the version resource reads it.
#define VELANT_VERSION_MAJOR 1
#define VELANT_VERSION_MINOR 0
#define VELANT_VERSION_PATCH 0
#define VELANT_VERSION_BUILD 0

#define VELANT_STRINGIZE2(x) #x
#define VELANT_STRINGIZE(x) VELANT_STRINGIZE2(x)
#define VELANT_VERSION_STRING                                        \
    VELANT_STRINGIZE(VELANT_VERSION_MAJOR)                           \
    "." VELANT_STRINGIZE(VELANT_VERSION_MINOR) "." VELANT_STRINGIZE( \
        VELANT_VERSION_PATCH) "." VELANT_STRINGIZE(VELANT_VERSION_BUILD)

#define VELANT_PRODUCT_NAME "Velant! Pro 2001"
#define VELANT_EXE_NAME "VelantPro.exe"
