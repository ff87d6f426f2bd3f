#pragma once
// The command line dispatcher and the SET and GET sub-dispatch, on the one keyword list.

#include <array>
#include <string_view>

#include "core/program.h"

namespace i2ct {

inline constexpr std::array<std::string_view, 26> KeywordList{
    "SET",  "INT",        "SDA",     "SCL",           "GET", "VER",   "WR",
    "PUL",  "PULLUP",     "VERSION", "WRITE",         "SPE", "SPEED", "RD",
    "READ", "FILTER",     "FIL",     "LISTEN",        "LIS", "LDTB",  "LOADTABLE",
    "CLTB", "CLEARTABLE", "CHKINT",  "CHECKINTERUPT", "STOP"};

// The list's indices, counted from 1 as the dispatchers act on them.
enum Keyword : int {
    kSet = 1,
    kInt,
    kSda,
    kScl,
    kGet,
    kVer,
    kWr,
    kPul,
    kPullup,
    kVersion,
    kWrite,
    kSpe,
    kSpeed,
    kRd,
    kRead,
    kFilter,
    kFil,
    kListen,
    kLis,
    kLdtb,
    kLoadTable,
    kCltb,
    kClearTable,
    kChkInt,
    kCheckInterupt,
    kStop
};

// 1-based index of the first entry equal to word (already upper-cased), 26 when none is.
int LookUpKeyword(std::string_view word);

using Handler = void (*)(Program&);

// The handlers behind the keywords, wired by the application.
struct CommandHandlers {
    Handler write = nullptr;       // WR, WRITE
    Handler read = nullptr;        // RD, READ
    Handler listen = nullptr;      // LISTEN, LIS
    Handler loadTable = nullptr;   // LDTB, LOADTABLE
    Handler clearTable = nullptr;  // CLTB, CLEARTABLE
    Handler checkInt = nullptr;    // CHKINT, CHECKINTERUPT
    Handler setInt = nullptr;
    Handler setSda = nullptr;
    Handler setScl = nullptr;
    Handler setPullup = nullptr;
    Handler setSpeed = nullptr;
    Handler setFilter = nullptr;
    Handler getInt = nullptr;
    Handler getSda = nullptr;
    Handler getScl = nullptr;
    Handler getPullup = nullptr;
    Handler getSpeed = nullptr;
    Handler getVersion = nullptr;
};

void DispatchCommand(Program& p, const CommandHandlers& handlers);
void DispatchSet(Program& p, const CommandHandlers& handlers);
void DispatchGet(Program& p, const CommandHandlers& handlers);

}  // namespace i2ct
