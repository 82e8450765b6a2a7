// What the account files say of the user running the tests, read from
// /etc/passwd and /etc/group directly (not through the C library's account
// calls that the program uses), so tests can tell what to expect of them.
#pragma once

// True when the effective user's primary group is private: no other account
// has it as its primary group, and its member list names nobody else.
// False when the files cannot be read or do not name the user.
bool primaryGroupIsPrivate();
