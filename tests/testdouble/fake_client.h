// Test-side access to the test double loaded as the component.
#pragma once
#include "editor/channel.h"
#include "editor/requests.h"
#include "tests/testdouble/fake_component.h"

#include <algorithm>
#include <vector>

// A request as the tests compare it: number and parameters.
struct Request {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Request& other) const {
        return message == other.message && wParam == other.wParam && lParam == other.lParam;
    }
};

// One of the double's control functions, looked up in the loaded component.
template <typename Function> Function FakeFunction(const char* name) {
    FARPROC address = GetProcAddress(componentHandle, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// Scripts the fake's document; the log starts empty.
inline void FakeScriptLines(const std::vector<int>& levels, const std::vector<int>& parents) {
    auto script = FakeFunction<FakeScriptFn>("FakeScript");
    script(static_cast<int>(levels.size()), levels.data(), parents.data());
}

inline void FakeCaret(int position) {
    FakeFunction<FakeSetCaretFn>("FakeSetCaret")(position);
}

// Every request recorded since the last script, in order.
inline std::vector<FakeRequest> FakeLog() {
    auto count = FakeFunction<FakeCountFn>("FakeCount");
    auto at = FakeFunction<FakeRequestFn>("FakeRequestAt");
    std::vector<FakeRequest> log(count());
    for (size_t i = 0; i < log.size(); i++) {
        at(static_cast<int>(i), &log[i]);
    }
    return log;
}

// The recorded requests without their texts.
inline std::vector<Request> FakeRequests() {
    std::vector<Request> requests;
    for (const FakeRequest& r : FakeLog()) {
        requests.push_back({r.message, r.wParam, r.lParam});
    }
    return requests;
}

// The first count recorded requests, or all of them if there are fewer.
inline std::vector<Request> FirstRequests(size_t count) {
    std::vector<Request> requests = FakeRequests();
    requests.resize(std::min(count, requests.size()));
    return requests;
}

// The fold levels of a small listing like the demo's: 21 lines with sub
// headers at lines 9, 14 and 18, each with a body that ends its sub.
inline std::vector<int> DemoLevels() {
    std::vector<int> levels(21, 0x400);
    for (int header : {9, 14, 18}) {
        levels[header] = 0x2400;
    }
    for (int body : {10, 11, 12, 15, 16, 19, 20}) {
        levels[body] = 0x401;
    }
    return levels;
}

inline std::vector<int> DemoParents() {
    std::vector<int> parents(21, -1);
    for (int body : {10, 11, 12}) {
        parents[body] = 9;
    }
    for (int body : {15, 16}) {
        parents[body] = 14;
    }
    for (int body : {19, 20}) {
        parents[body] = 18;
    }
    return parents;
}
