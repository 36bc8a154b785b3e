// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Verify.h"

#include "cli/Escape.h"
#include "convert/Verify.h"

int RunVerify(const std::vector<std::string>& manifests, std::FILE* out, std::FILE* err) {
    bool allGood = true;
    for (const std::string& manifest : manifests) {
        const ManifestVerdict verdict = VerifyManifest(manifest);
        for (const VerifyProblem& problem : verdict.problems) {
            std::fprintf(err, "quorvane-cli: %s: %s\n", PrintableName(problem.path).c_str(),
                         PrintableName(problem.what).c_str());
        }
        if (verdict.problems.empty()) {
            std::fprintf(out, "%s: the recording and %zu file%s match\n",
                         PrintableName(manifest).c_str(), verdict.files,
                         verdict.files == 1 ? "" : "s");
        }
        allGood = allGood && verdict.problems.empty();
    }
    return allGood ? 0 : 1;
}
