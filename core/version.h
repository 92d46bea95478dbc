// The program's version: the one place it is written. Read by the version
// resources of every file we ship (cmake/version.rc.in), by the version
// text the program shows, and by scripts/package.sh for the package name.
// Only preprocessor lines here: the resource compiler reads this file too.
#ifndef QAZ_CORE_VERSION_H
#define QAZ_CORE_VERSION_H

#define QAZ_VERSION_MAJOR 1
#define QAZ_VERSION_MINOR 9
#define QAZ_VERSION_PATCH 1
#define QAZ_VERSION_BUILD 0

#define QAZ_VERSION_STRINGIFY2(x) #x
#define QAZ_VERSION_STRINGIFY(x) QAZ_VERSION_STRINGIFY2(x)
// "1.9.1.0"
#define QAZ_VERSION_TEXT                                                                        \
    QAZ_VERSION_STRINGIFY(QAZ_VERSION_MAJOR) "." QAZ_VERSION_STRINGIFY(QAZ_VERSION_MINOR) "."   \
        QAZ_VERSION_STRINGIFY(QAZ_VERSION_PATCH) "." QAZ_VERSION_STRINGIFY(QAZ_VERSION_BUILD)

#define QAZ_COMPANY_NAME "Yomo Soft"
#define QAZ_PRODUCT_NAME "QAZ for win32"
// The product line of the version dialog.
#define QAZ_PRODUCT_LINE "Qazview viewer for win32 ver" QAZ_VERSION_TEXT

#endif
