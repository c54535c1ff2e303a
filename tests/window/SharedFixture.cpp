#include <gtest/gtest.h>

#include <memory>

#include "tests/window/WindowTestSupport.h"

namespace NWindowTest {

namespace {

std::unique_ptr<CFixtureProcess> shared;

class CSharedFixtureEnvironment : public testing::Environment
{
public:
    void TearDown() override { shared.reset(); }
};

testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new CSharedFixtureEnvironment);

}  // namespace

CFixtureProcess& SharedFixture()
{
    if (!shared)
        shared.reset(new CFixtureProcess("windows"));
    return *shared;
}

}  // namespace NWindowTest
