#include <gtest/gtest.h>
#include <string>
#include "core/optional_services.h"

namespace {
int refreshes = 0;
void count_refresh() { ++refreshes; }

struct OptionalServicesTest : ::testing::Test {
  void SetUp() override { clear_optional_services(); }
  void TearDown() override { clear_optional_services(); }
};
}  // namespace

TEST_F(OptionalServicesTest, AnEmptyEntryIsNullAndLoggedOnce) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(request_land_refresh_service(), nullptr);
  EXPECT_EQ(request_land_refresh_service(), nullptr);
  EXPECT_EQ(report_missing_services(), int(OPTIONAL_SERVICE_COUNT));
  std::string log = testing::internal::GetCapturedStdout();
  const std::string line = "optional service request_land_refresh is not provided\n";
  size_t first = log.find(line);
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(line, first + 1), std::string::npos) << log;
  EXPECT_NE(log.find("optional service destroy_queued_gui_elements is not provided"), std::string::npos) << log;
}

TEST_F(OptionalServicesTest, ARegisteredServiceIsCalledAndNotReported) {
  optional_services.request_land_refresh = &count_refresh;
  testing::internal::CaptureStdout();
  if (auto refresh = request_land_refresh_service()) refresh();
  EXPECT_EQ(report_missing_services(), int(OPTIONAL_SERVICE_COUNT) - 1);
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(log.find("request_land_refresh"), std::string::npos) << log;
  EXPECT_TRUE(has_optional_service(SERVICE_request_land_refresh));
  EXPECT_STREQ(optional_service_name(SERVICE_request_land_refresh), "request_land_refresh");
}
