// Response files come from anywhere on disk: the reader must take any bytes, and what it keeps
// must write back and read again to the same samples.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "analysis/instrumental_response.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CInstrumentalResponseFunction response;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ResponseFileRead read = ParseResponseFile(text, response);
    if (read.status == ResponseFileRead::Status::TooFewDeclared && response.GetCount() != 0) {
        std::abort();
    }
    if (read.declared >= 0 && response.GetCount() > read.declared) {
        std::abort();
    }
    response.ZeroIndex();
    if (response.GetCount() >= 3) {
        CInstrumentalResponseFunction again;
        ParseResponseFile(FormatResponseFile(response), again);
        if (again.GetCount() != response.GetCount()) {
            std::abort();
        }
    }
    return 0;
}
