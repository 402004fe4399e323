// SPDX-License-Identifier: BSD-2-Clause-Patent
// Budget figures of the driver on the host platform.
//   quorvane_budget pool            live pool bytes after start-up, 1 visit, 2 visits, 100 visits
//   quorvane_budget writes          variable writes of a first page visit and of a repeat visit
//                                   that changes nothing
//   quorvane_budget SCENARIO        runs one scenario inside RunScenario (for callgrind's
//                                   --toggle-collect): startup, extract, route, visit
#include <cstdio>
#include <cstring>

#include "bench/page_visit.h"
#include "include/guids.h"

namespace {

// Kept out of line so callgrind can count exactly the instructions of one scenario.
__attribute__((noinline)) void RunScenario(const char *Name, host::Platform &P) {
  if (std::strcmp(Name, "startup") == 0) {
    P.StartDriver();
  } else if (std::strcmp(Name, "extract") == 0) {
    bench::ExtractStore(P, gSystemConfigurationGuid, u"System", 21);
  } else if (std::strcmp(Name, "route") == 0) {
    bench::RouteOneSave(P);
  } else if (std::strcmp(Name, "visit") == 0) {
    bench::VisitPage(P);
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s pool|writes|startup|extract|route|visit\n", argv[0]);
    return 2;
  }
  host::Platform P;
  host::PreparePagePlatform(P);
  if (std::strcmp(argv[1], "pool") == 0) {
    P.StartDriver();
    size_t AfterStart = P.Memory.LiveBytes();
    bench::VisitPage(P);
    size_t AfterOne = P.Memory.LiveBytes();
    bench::VisitPage(P);
    size_t AfterTwo = P.Memory.LiveBytes();
    for (int Visit = 2; Visit < 100; Visit++) {
      bench::VisitPage(P);
    }
    size_t AfterHundred = P.Memory.LiveBytes();
    std::printf("pool bytes live: after start-up %zu, after 1 visit %zu, after 2 visits %zu, after 100 visits %zu\n",
                AfterStart, AfterOne, AfterTwo, AfterHundred);
    return AfterHundred == AfterOne ? 0 : 1;
  }
  if (std::strcmp(argv[1], "writes") == 0) {
    P.StartDriver();
    size_t Calls = P.Variables.SetCalls();
    size_t Bytes = P.Variables.SetBytes();
    bench::VisitPage(P);
    std::printf("variable writes: first page visit %zu calls, %zu bytes", P.Variables.SetCalls() - Calls,
                P.Variables.SetBytes() - Bytes);
    Calls = P.Variables.SetCalls();
    Bytes = P.Variables.SetBytes();
    bench::OpenPage(P);
    Calls = P.Variables.SetCalls() - Calls;
    Bytes = P.Variables.SetBytes() - Bytes;
    std::printf("; repeat visit with nothing changed %zu calls, %zu bytes\n", Calls, Bytes);
    return Calls == 0 ? 0 : 1;
  }
  if (std::strcmp(argv[1], "startup") != 0) {
    P.StartDriver();
    if (std::strcmp(argv[1], "visit") == 0) {
      bench::VisitPage(P);  // the first visit creates the status variables; measure a later one
    }
  }
  RunScenario(argv[1], P);
  return 0;
}
