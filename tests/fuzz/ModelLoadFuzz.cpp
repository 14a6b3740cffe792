// libFuzzer target for the 3DS loader: arbitrary bytes go through the same
// reading as Model::Load. A crash, a sanitizer report, or a loaded model
// without the shape that drawing relies on is a finding.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/Model.h"
#include "support/ModelInvariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Model model;
    model.LoadFromMemory(data, size);
    const std::string problem = ModelShapeProblem(model);
    if (!problem.empty()) {
        std::fprintf(stderr, "badly shaped model: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
