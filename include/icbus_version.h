/*
 * icbus_version.h - the version of the icbus library these headers belong to.
 *
 * One number names a release everywhere: the build's project version, these
 * macros, the shared library's file name (libicbus.so.<major>.<minor>.<patch>
 * with the SONAME libicbus.so.<major>), the version resource of icbus.dll and
 * `icbus --version`. The build refuses to configure when they disagree.
 *
 * The major number changes when a program built against the old headers
 * could no longer load or call the library as before.
 */
#ifndef ICBUS_VERSION_H
#define ICBUS_VERSION_H

#define ICBUS_VERSION_MAJOR 1
#define ICBUS_VERSION_MINOR 0
#define ICBUS_VERSION_PATCH 0
#define ICBUS_VERSION_STRING "1.0.0"

/* The version as one comparable number: 10000 x major + 100 x minor + patch. */
#define ICBUS_VERSION_NUMBER \
  (ICBUS_VERSION_MAJOR * 10000 + ICBUS_VERSION_MINOR * 100 + ICBUS_VERSION_PATCH)

#endif /* ICBUS_VERSION_H */
