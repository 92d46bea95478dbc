# The version, company and product of the release, read from core/version.h:
# sourced, not run.
qaz_version_header=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/core/version.h
qaz_define() { sed -n "s/^#define $1 *\(.*\)$/\1/p" "$qaz_version_header" | tr -d '"'; }
QAZ_VERSION=$(qaz_define QAZ_VERSION_MAJOR).$(qaz_define QAZ_VERSION_MINOR).$(qaz_define QAZ_VERSION_PATCH).$(qaz_define QAZ_VERSION_BUILD)
QAZ_COMPANY=$(qaz_define QAZ_COMPANY_NAME)
QAZ_PRODUCT=$(qaz_define QAZ_PRODUCT_NAME)
