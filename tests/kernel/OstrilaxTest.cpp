// The Ostrilax stand-in answers tag look-ups from the table a kernel host publishes, and stops
// answering once that host is gone.
#include "kernel/Ostrilax.h"
#include "kernel/KernelTagTable.h"

#include "platform/Process.h"
#include "platform/Ticks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

class Ostrilax : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string instance =
            "ost" + std::to_string(platform::GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ::setenv("VANTORELIX_INSTANCE", instance.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("VANTORELIX_INSTANCE"); }

    static int32_t InfoByName(const char* name, int32_t* globalIndex) {
        TKernelTagInfo record{};
        record.Size.Set(sizeof(record));
        const int32_t result = API_GetTagInfoByName(name, &record);
        *globalIndex = record.GlobalIndex.Get();
        return result;
    }

    static int32_t ValueByIndex(int32_t index, double* value) {
        TKernelTagValue record{};
        record.Size.Set(sizeof(record));
        const int32_t result = API_GetTagValueByGlobalIndex(index, &record);
        *value = record.Value.Get();
        return result;
    }
};

TEST_F(Ostrilax, AnswersFromThePublishedTable) {
    auto host = TKernelTagPublisher::Create(4);
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(host->AddTag("BLOCK_DEV1", 17, 0.0));
    ASSERT_TRUE(host->AddTag("Pump.Speed", 42, 12.5));

    struct Case {
        const char* Name;
        int32_t Result;
        int32_t GlobalIndex;
    };
    const Case cases[] = {{"BLOCK_DEV1", OstrilaxOk, 17},
                          {"block_dev1", OstrilaxOk, 17},
                          {"PUMP.SPEED", OstrilaxOk, 42},
                          {"NO_SUCH_TAG", OstrilaxNotFound, 0},
                          {"", OstrilaxNotFound, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        int32_t index = 0;
        EXPECT_EQ(InfoByName(c.Name, &index), c.Result);
        EXPECT_EQ(index, c.GlobalIndex);
    }

    double value = -1;
    ASSERT_EQ(ValueByIndex(42, &value), OstrilaxOk);
    EXPECT_EQ(value, 12.5);
    ASSERT_TRUE(host->SetValue(17, 1.0));
    ASSERT_EQ(ValueByIndex(17, &value), OstrilaxOk);
    EXPECT_EQ(value, 1.0);
    EXPECT_EQ(ValueByIndex(99, &value), OstrilaxNotFound);
}

TEST_F(Ostrilax, RefusesRecordsOfTheWrongSize) {
    auto host = TKernelTagPublisher::Create(1);
    ASSERT_TRUE(host->AddTag("T", 1, 0.0));
    TKernelTagInfo info{};
    EXPECT_EQ(API_GetTagInfoByName("T", &info), OstrilaxBadRecord); // Size not set
    EXPECT_EQ(API_GetTagInfoByName("T", nullptr), OstrilaxBadRecord);
    TKernelTagValue value{};
    value.Size.Set(40);
    EXPECT_EQ(API_GetTagValueByGlobalIndex(1, &value), OstrilaxBadRecord);
}

TEST_F(Ostrilax, TableLimitsAreKept) {
    auto host = TKernelTagPublisher::Create(1);
    EXPECT_FALSE(host->AddTag(std::string(41, 'X'), 1, 0.0)); // longer than the name field
    EXPECT_TRUE(host->AddTag("A", 1, 0.0));
    EXPECT_FALSE(host->AddTag("B", 2, 0.0)); // full
    EXPECT_FALSE(host->SetValue(2, 1.0));
    // A second host of the same instance cannot publish over the first.
    EXPECT_EQ(TKernelTagPublisher::Create(1), nullptr);
}

TEST_F(Ostrilax, NothingIsFoundWithoutAHost) {
    int32_t index = 0;
    EXPECT_EQ(InfoByName("A", &index), OstrilaxNotFound);
    {
        auto host = TKernelTagPublisher::Create(2);
        ASSERT_TRUE(host->AddTag("A", 5, 3.0));
        ASSERT_EQ(InfoByName("A", &index), OstrilaxOk);
    }
    // The host is gone; a new one publishes a different table, which is read after the
    // library notices (within about a second).
    auto next = TKernelTagPublisher::Create(2);
    ASSERT_TRUE(next->AddTag("B", 6, 4.0));
    int32_t result = -1;
    for (int i = 0; i < 300 && result != OstrilaxOk; ++i) {
        result = InfoByName("B", &index);
        if (result != OstrilaxOk) {
            platform::Sleep(10);
        }
    }
    EXPECT_EQ(result, OstrilaxOk);
    EXPECT_EQ(index, 6);
}

} // namespace
