// The two disciplines of suite access, against a tiny basic suite that records
// every call and can be told how to answer each suite name.
#include "host/suites.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host_sdk/host_constants.h"

namespace {

struct Answer {
  SPErr code = kSPNoError;
  bool hand_out = true;  // whether a suite pointer is written
};

// The basic suite's functions are plain function pointers, so the fake keeps
// its state in one place that each test resets.
struct FakeBasic {
  std::map<std::string, Answer> answers;
  std::vector<std::string> calls;  // "acquire NAME vN" / "release NAME vN"
  int token = 0;                   // the address handed out as a suite
};
FakeBasic fake;

std::string Call(const char* what, const char* name, int32_t version) {
  return std::string(what) + " " + name + " v" + std::to_string(version);
}

SPErr FakeAcquire(const char* name, int32_t version, const void** suite) {
  fake.calls.push_back(Call("acquire", name, version));
  const Answer answer = fake.answers[name];
  if (answer.hand_out) *suite = &fake.token;
  return answer.code;
}

SPErr FakeRelease(const char* name, int32_t version) {
  fake.calls.push_back(Call("release", name, version));
  return kSPNoError;
}

int FakeSprintf(A_char* buffer, const A_char* format, ...) {
  va_list args;
  va_start(args, format);
  const int count = std::vsnprintf(buffer, 256, format, args);
  va_end(args);
  return count;
}

class SuitesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakeBasic{};
    basic_.AcquireSuite = FakeAcquire;
    basic_.ReleaseSuite = FakeRelease;
    utils_.ansi.sprintf = FakeSprintf;
    in_data_.utils = &utils_;
    in_data_.pica_basicP = &basic_;
    std::memset(&out_data_, 0, sizeof out_data_);
    std::strcpy(out_data_.return_msg, "untouched");
  }

  SPBasicSuite basic_{};
  PF_UtilCallbacks utils_{};
  PF_InData in_data_{};
  PF_OutData out_data_;
};

TEST_F(SuitesTest, HandlerWithoutBasicSuiteThrows516BeforeAcquiring) {
  try {
    SuiteHandler suites(nullptr);
    FAIL() << "no throw";
  } catch (PF_Err& err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(SuitesTest, UnusedHandlerReleasesNothing) {
  { SuiteHandler suites(&basic_); }
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(SuitesTest, EachSuiteIsAcquiredOnceAndReleasedOnce) {
  {
    SuiteHandler suites(&basic_);
    const void* first = suites.Iterate8Suite();
    EXPECT_EQ(first, &fake.token);
    EXPECT_EQ(static_cast<const void*>(suites.Iterate8Suite()), first);
  }
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"acquire PF Iterate8 Suite v1",
                                                  "release PF Iterate8 Suite v1"}));
}

TEST_F(SuitesTest, ReleasesInFixedSlotOrderWhateverTheAcquireOrder) {
  {
    SuiteHandler suites(&basic_);
    suites.ColorParamSuite();
    suites.Iterate16Suite();
    suites.Iterate8Suite();
    suites.WorldTransformSuite();
    suites.AnsiSuite();
    fake.calls.clear();
  }
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "release PF ANSI Suite v1", "release PF World Transform Suite v1",
                            "release PF Iterate8 Suite v1", "release PF iterate16 Suite v1",
                            "release PF ColorParamSuite v1"}));
}

TEST_F(SuitesTest, FailureInSecondAccessorReleasesTheFirstAndWritesNothing) {
  fake.answers["PF iterate16 Suite"] = Answer{A_Err_MISSING_SUITE, false};
  try {
    SuiteHandler suites(&basic_);
    suites.ColorParamSuite();
    suites.Iterate16Suite();
    FAIL() << "no throw";
  } catch (PF_Err& err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"acquire PF ColorParamSuite v1",
                                                  "acquire PF iterate16 Suite v1",
                                                  "release PF ColorParamSuite v1"}));
  EXPECT_STREQ(out_data_.return_msg, "untouched");
  EXPECT_EQ(out_data_.out_flags, 0);
}

TEST_F(SuitesTest, NullSuiteWithSuccessCodeThrowsAndLeavesTheSlotEmpty) {
  fake.answers["PF ANSI Suite"] = Answer{kSPNoError, false};
  {
    SuiteHandler suites(&basic_);
    EXPECT_THROW(suites.AnsiSuite(), PF_Err);
    fake.answers["PF ANSI Suite"] = Answer{};
    EXPECT_EQ(static_cast<const void*>(suites.AnsiSuite()), &fake.token);
  }
  EXPECT_EQ(fake.calls,
            (std::vector<std::string>{"acquire PF ANSI Suite v1", "acquire PF ANSI Suite v1",
                                      "release PF ANSI Suite v1"}));
}

// The same host answer, a suite together with an error code, is refused by the
// handler and accepted by AcquireSuiteOrReport, which looks only at the pointer.
TEST_F(SuitesTest, ErrorCodeWithSuiteIsRefusedByHandlerButAcceptedByReport) {
  fake.answers["PF World Transform Suite"] = Answer{A_Err_GENERIC, true};
  EXPECT_THROW(
      {
        SuiteHandler suites(&basic_);
        suites.WorldTransformSuite();
      },
      PF_Err);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"acquire PF World Transform Suite v1"}));

  const void* suite = nullptr;
  EXPECT_EQ(AcquireSuiteOrReport(&in_data_, &out_data_, "PF World Transform Suite", 1, &suite),
            PF_Err_NONE);
  EXPECT_EQ(suite, &fake.token);
  EXPECT_EQ(out_data_.out_flags, 0);
  EXPECT_STREQ(out_data_.return_msg, "untouched");
}

TEST_F(SuitesTest, ReportAcquireAndReleasePassNameAndVersion) {
  const void* suite = nullptr;
  EXPECT_EQ(AcquireSuiteOrReport(&in_data_, &out_data_, kPFPixelFormatSuite, 1, &suite),
            PF_Err_NONE);
  EXPECT_EQ(ReleaseSuiteOrReport(&in_data_, &out_data_, kPFPixelFormatSuite, 1), PF_Err_NONE);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"acquire PF Pixel Format Suite v1",
                                                  "release PF Pixel Format Suite v1"}));
  EXPECT_EQ(out_data_.out_flags, 0);
}

TEST_F(SuitesTest, ReportAcquireOfMissingSuiteSetsFlagAndMessage) {
  fake.answers[kPFPixelFormatSuite] = Answer{A_Err_MISSING_SUITE, false};
  out_data_.out_flags = PF_OutFlag_PIX_INDEPENDENT;
  const void* suite = nullptr;
  EXPECT_EQ(AcquireSuiteOrReport(&in_data_, &out_data_, kPFPixelFormatSuite, 1, &suite),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(suite, nullptr);
  EXPECT_EQ(out_data_.out_flags, PF_OutFlag_PIX_INDEPENDENT | PF_OutFlag_DISPLAY_ERROR_MESSAGE);
  EXPECT_STREQ(out_data_.return_msg, "Not able to acquire AEFX Suite.");
}

TEST_F(SuitesTest, ReportFunctionsWithoutBasicSuiteSetFlagAndMessage) {
  in_data_.pica_basicP = nullptr;
  const void* suite = nullptr;
  EXPECT_EQ(AcquireSuiteOrReport(&in_data_, &out_data_, kPFPixelFormatSuite, 1, &suite),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(suite, nullptr);
  EXPECT_EQ(out_data_.out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE);
  EXPECT_STREQ(out_data_.return_msg, "Not able to acquire AEFX Suite.");

  out_data_.out_flags = 0;
  EXPECT_EQ(ReleaseSuiteOrReport(&in_data_, &out_data_, kPFPixelFormatSuite, 1),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(out_data_.out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE);
  EXPECT_STREQ(out_data_.return_msg, "Not able to release AEFX Suite.");
  EXPECT_TRUE(fake.calls.empty());
}

}  // namespace
