// Runs libFuzzer's inputs as editing sessions checked against the models; a
// disagreement ends the run with its description.
#include "session.h"

#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string fault =
        kalmor_test::RunSession(std::string(reinterpret_cast<const char*>(data), size));
    if (!fault.empty())
        throw std::logic_error(fault);
    return 0;
}
