# What a Mac build takes from outside the repository, each pinned to one version: QCoro when no
# installed one is found (Homebrew has none), and the m1ddc helper the app bundle carries.
include(FetchContent)
include(ExternalProject)

find_package(QCoro6 0.8 QUIET COMPONENTS Core)
if(NOT QCoro6_FOUND)
    # 0.10 keeps the API of the 0.8 the Linux build uses; 0.8's own CMake still passes
    # -fcoroutines-ts, which the clang of Xcode 16 no longer accepts.
    set(QCORO_BUILD_EXAMPLES OFF)
    set(QCORO_WITH_QTDBUS OFF)
    set(QCORO_WITH_QTNETWORK OFF)
    set(QCORO_WITH_QTWEBSOCKETS OFF)
    set(QCORO_WITH_QTQUICK OFF)
    set(QCORO_WITH_QML OFF)
    set(QCORO_WITH_QTTEST OFF)
    set(BUILD_TESTING OFF)
    set(BUILD_SHARED_LIBS OFF) # linked into the app: nothing more to carry in the bundle
    FetchContent_Declare(qcoro
        URL https://github.com/qcoro/qcoro/archive/refs/tags/v0.10.0.tar.gz
        DOWNLOAD_EXTRACT_TIMESTAMP ON)
    FetchContent_MakeAvailable(qcoro)
endif()

# m1ddc by waydabber (MIT), the public DDC/CI tool the app runs once per read or write (its
# "input-alt" attribute switches the input): release 1.2.0, built with its own Makefile and
# Apple's clang. VELMAR_M1DDC names an m1ddc built elsewhere instead, and nothing is fetched.
set(VELMAR_M1DDC "" CACHE FILEPATH "An m1ddc executable for the app bundle instead of one built from source")
if(VELMAR_M1DDC)
    if(NOT EXISTS "${VELMAR_M1DDC}")
        message(FATAL_ERROR "VELMAR_M1DDC names ${VELMAR_M1DDC}, which does not exist.")
    endif()
    set(VELMAR_M1DDC_EXECUTABLE "${VELMAR_M1DDC}")
    set(VELMAR_M1DDC_LICENSE "")
    add_custom_target(m1ddc)
else()
    ExternalProject_Add(m1ddc_source
        URL https://github.com/waydabber/m1ddc/archive/refs/tags/v1.2.0.tar.gz
        URL_HASH SHA256=d633c06502e650108bb2f581b5db25d2592955fa9a57de7feeae3ed7710c59ca
        DOWNLOAD_EXTRACT_TIMESTAMP ON
        BUILD_IN_SOURCE ON
        CONFIGURE_COMMAND ""
        BUILD_COMMAND make
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS <SOURCE_DIR>/m1ddc)
    ExternalProject_Get_Property(m1ddc_source SOURCE_DIR)
    set(VELMAR_M1DDC_EXECUTABLE "${SOURCE_DIR}/m1ddc")
    # The MIT licence asks for its notice to travel with the tool.
    set(VELMAR_M1DDC_LICENSE "${SOURCE_DIR}/LICENSE")
    add_custom_target(m1ddc)
    add_dependencies(m1ddc m1ddc_source)
endif()
