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
  // False where root could not take the ordinary identity (no CAP_SETUID, or nobody not
  // mapped in this user namespace): permissions would not apply, so the test should skip.
  // setfsuid answers the identity in force; -1 is no identity, so nothing changes.
  bool ok() const { return !root_ || setfsuid(static_cast<uid_t>(-1)) == static_cast<int>(kNobody); }
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

 private:
  static constexpr unsigned kNobody = 65534;
  bool root_;
};
