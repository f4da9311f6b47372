// What a module exports on purpose: the entry points a host finds with
// dlsym (a package's four entry points and its services table, the window
// library's entry points). Everything the platform layers declare is their
// interface and is exported as it stands; OV_EXPORT marks what must stay
// visible when a module is built with hidden visibility.
#pragma once

#define OV_EXPORT __attribute__((visibility("default")))
