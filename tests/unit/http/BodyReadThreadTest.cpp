#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "http/BodyReadThread.h"
#include "http/InternetError.h"

namespace {
// A request without a handle: every read fails at once with the library's
// error, on whichever thread makes it.
std::unique_ptr<CHttpRequest> FailingRequest() { return std::make_unique<CHttpRequest>(nullptr); }

// Tells when the keep-alive object goes.
struct Witness {
  explicit Witness(bool* goneFlag) : gone(goneFlag) {}
  ~Witness() { *gone = true; }
  Witness(const Witness&) = delete;
  Witness& operator=(const Witness&) = delete;
  bool* gone;
};
}  // namespace

TEST(BodyReadThreadTest, AFinishedReaderWaitsInTheParkAndServesTheNextBody) {
  const int32_t stop = 0;
  CBodyReaderPark park;
  EXPECT_FALSE(park.HasIdleReader());
  for (int body = 0; body < 3; ++body) {
    bool released = false;
    {
      CBodyReadThread reader(FailingRequest(), std::make_shared<Witness>(&released), stop, nullptr, &park);
      // Taken from the park for the second and third body.
      EXPECT_FALSE(park.HasIdleReader()) << body;
      char buffer[16];
      EXPECT_THROW(reader.Read(buffer, sizeof(buffer)), CInternetError) << body;
      std::unique_ptr<CHttpRequest> request = reader.Finish();
      EXPECT_NE(request, nullptr) << body;
      EXPECT_TRUE(park.HasIdleReader()) << body;
      // The connection the request needs stays until the request is closed.
      request.reset();
      EXPECT_FALSE(released) << body;
    }
    EXPECT_TRUE(released) << body;
  }
  park.Close();
  EXPECT_FALSE(park.HasIdleReader());
}

TEST(BodyReadThreadTest, AnAbandonedReaderNeverReturnsToThePark) {
  const int32_t stop = 0;
  CBodyReaderPark park;
  bool released = false;
  {
    CBodyReadThread reader(FailingRequest(), std::make_shared<Witness>(&released), stop, nullptr, &park);
    reader.Abandon();
  }
  EXPECT_FALSE(park.HasIdleReader());
  // The thread lets go of the connection once it ended.
  for (int i = 0; i < 200 && !released; ++i) ::Sleep(10);
  EXPECT_TRUE(released);
}

TEST(BodyReadThreadTest, WithoutAParkEachBodyHasAThreadOfItsOwn) {
  const int32_t stop = 0;
  CBodyReadThread reader(FailingRequest(), nullptr, stop, nullptr);
  char buffer[16];
  EXPECT_THROW(reader.Read(buffer, sizeof(buffer)), CInternetError);
  EXPECT_NE(reader.Finish(), nullptr);
}
