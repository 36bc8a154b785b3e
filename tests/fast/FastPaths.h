// SPDX-License-Identifier: BSD-3-Clause
// Shared by the fast-kernel tests: every kernel set this machine can run,
// so each test checks every path against the reference in one process.
#pragma once

#include "recording/fast/UnpackFast.h"

#include <gtest/gtest.h>

#include <string>

class EveryPath : public testing::TestWithParam<SimdPath> {
protected:
    void SetUp() override {
        kernels = FastKernelsFor(GetParam());
        if (kernels == nullptr) {
            GTEST_SKIP() << SimdPathName(GetParam()) << " is not available on this CPU";
        }
    }
    const FastKernels* kernels = nullptr;
};

inline std::string PathTestName(const testing::TestParamInfo<SimdPath>& info) {
    return SimdPathName(info.param);
}

#define INSTANTIATE_EVERY_PATH(suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(Paths, suite,                                                         \
                             testing::Values(SimdPath::Scalar, SimdPath::Sse41, SimdPath::Avx2),   \
                             PathTestName)
