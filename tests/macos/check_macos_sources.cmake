# cmake -DCLANGXX=… -DINCLUDE_DIRS=<response file> -DSOURCES=<a|b|…> -DWRONG_CALLS=<file> -P this
# Fails when a macOS source does not compile, when wrong_calls.mm does not compile as it is, or
# when one of its mistakes compiles or fails for another reason than its own.
string(REPLACE "|" ";" SOURCES "${SOURCES}")

set(common_flags -std=c++20 -fsyntax-only -fPIC -Wall -Wextra -Werror -Wno-unused-parameter @${INCLUDE_DIRS})
# Not for an Apple target, whose C++ library is not here: the Linux one, with the Objective-C of
# macOS (its runtime, ARC, blocks). Qt's headers then take their Linux path, and the Apple
# declarations stand in for the frameworks.
set(objcxx_flags -x objective-c++ -fobjc-runtime=macosx-15.0 -fobjc-arc -fblocks)

function(compile source result output)
    get_filename_component(extension "${source}" LAST_EXT)
    set(language_flags -x c++)
    if(extension STREQUAL ".mm")
        set(language_flags ${objcxx_flags})
    endif()
    execute_process(COMMAND "${CLANGXX}" ${common_flags} ${language_flags} ${ARGN} "${source}"
        RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_VARIABLE errors)
    set(${result} ${status} PARENT_SCOPE)
    set(${output} "${errors}" PARENT_SCOPE)
endfunction()

set(failures 0)
list(LENGTH SOURCES count)
if(count EQUAL 0)
    message(FATAL_ERROR "no macOS sources were handed to the check")
endif()
foreach(source IN LISTS SOURCES)
    compile("${source}" status errors)
    if(status EQUAL 0)
        message(STATUS "compiles: ${source}")
    else()
        message(SEND_ERROR "does not compile: ${source}\n${errors}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()

# Each mistake and the error that must name it.
set(mistakes
    MISSPELT_FUNCTION "use of undeclared identifier 'CGDisplayIsBuiltIn'"
    WRONG_ARGUMENT_TYPE "no matching function for call to 'CGGetActiveDisplayList'"
    MISSING_ARGUMENT "no matching function for call to 'IODisplayGetFloatParameter'"
    UNKNOWN_SELECTOR "no visible @interface for 'SMAppService' declares the selector 'registerWithError:'"
    WRONG_BLOCK_TYPE "cannot initialize a parameter of type 'void (^)(NSNotification *"
    WRONG_RESULT_TYPE "cannot initialize a variable of type 'NSString *")
compile("${WRONG_CALLS}" status errors)
if(NOT status EQUAL 0)
    message(SEND_ERROR "wrong_calls.mm without a mistake does not compile, so its mistakes prove nothing:\n${errors}")
    math(EXPR failures "${failures} + 1")
endif()
while(mistakes)
    list(POP_FRONT mistakes mistake expected)
    compile("${WRONG_CALLS}" status errors -D${mistake})
    if(status EQUAL 0)
        message(SEND_ERROR "the check let ${mistake} through")
        math(EXPR failures "${failures} + 1")
    else()
        string(FIND "${errors}" "error: ${expected}" found)
        if(found EQUAL -1)
            message(SEND_ERROR "${mistake} failed, but not with \"${expected}\":\n${errors}")
            math(EXPR failures "${failures} + 1")
        else()
            message(STATUS "caught: ${mistake}")
        endif()
    endif()
endwhile()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} problem(s) with the macOS sources")
endif()
