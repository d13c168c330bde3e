// Running part of a test as another user (Linux; the administrator can).
#ifndef FLATDOM_TESTS_SUPPORT_AS_USER_H
#define FLATDOM_TESTS_SUPPORT_AS_USER_H

#include <sys/types.h>

#include <functional>
#include <string>

// The unprivileged user of every Linux system.
constexpr uid_t kNobody = 65534;

// What body answers when run as the user (and group) uid, in a child
// process; "(no such user)" when the process cannot become that user.
std::string AsUser(uid_t uid, const std::function<std::string()>& body);

#endif
