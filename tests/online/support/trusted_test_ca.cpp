// Linked into every online test program: trusts the test CA inside this test's own prefix
// before the first test runs.
#include "online_test_support.h"
#include "text/wide_text.h"

#include <gtest/gtest.h>

namespace {

class TrustedTestCa : public ::testing::Environment {
public:
    void SetUp() override {
        std::wstring problem;
        ASSERT_TRUE(TrustTestCertificateAuthority(problem)) << WideToUtf8(problem);
    }
};

const auto* const kTrustedTestCa = ::testing::AddGlobalTestEnvironment(new TrustedTestCa);

}  // namespace
