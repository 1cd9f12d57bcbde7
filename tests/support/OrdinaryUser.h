#pragma once
// Root may read and write anywhere. For root, this runs the enclosed code with an ordinary
// user's file-system identity (nobody's; this thread only, undone at the end of the
// scope), so that file and folder permissions apply to it as they would to a user.

#include <sys/fsuid.h>
#include <unistd.h>

class AsOrdinaryUser {
 public:
  AsOrdinaryUser() : root_(geteuid() == 0) {
    if (root_) setfsgid(kNobody), setfsuid(kNobody);
  }
  ~AsOrdinaryUser() {
    if (root_) setfsuid(0), setfsgid(0);
  }
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

 private:
  static constexpr unsigned kNobody = 65534;
  bool root_;
};
