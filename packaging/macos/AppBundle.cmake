# Velmar Monitor.app, from the velmar-monitor target: an accessory app (LSUIElement: no Dock
# icon and no window at launch, only its menu bar item) that carries the m1ddc helper in its
# Resources, where the program looks for it, and is signed as a whole. It is used where it is
# built or copied to /Applications as it is (see the README), so there is no install rule.

# QSettings' native store on macOS is the defaults domain com.<organization>.<application>, here
# com.velmar.VelmarMonitor; the bundle has the same identifier, so those settings are the app's
# own user defaults (`defaults read com.velmar.VelmarMonitor`).
set(VELMAR_MACOS_BUNDLE_ID "com.velmar.VelmarMonitor")
set(VELMAR_CODESIGN_IDENTITY "-" CACHE STRING
    "The identity Velmar Monitor.app is signed with; \"-\" signs it for this Mac alone")

set_target_properties(velmar-monitor PROPERTIES
    OUTPUT_NAME "Velmar Monitor"
    MACOSX_BUNDLE ON
    MACOSX_BUNDLE_INFO_PLIST ${CMAKE_CURRENT_LIST_DIR}/Info.plist.in
    MACOSX_BUNDLE_BUNDLE_NAME "Velmar Monitor"
    MACOSX_BUNDLE_GUI_IDENTIFIER ${VELMAR_MACOS_BUNDLE_ID}
    MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
    MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION})

set(helper_dir "$<TARGET_BUNDLE_CONTENT_DIR:velmar-monitor>/Resources/${VELMAR_BUNDLE_NAME}")
set(copy_licence "")
if(VELMAR_M1DDC_LICENSE)
    set(copy_licence COMMAND ${CMAKE_COMMAND} -E copy "${VELMAR_M1DDC_LICENSE}" "${helper_dir}/m1ddc-LICENSE")
endif()
# The signature seals the helper with the rest, so it is signed after the helper is in place.
add_custom_command(TARGET velmar-monitor POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "${helper_dir}"
    COMMAND ${CMAKE_COMMAND} -E copy "${VELMAR_M1DDC_EXECUTABLE}" "${helper_dir}/m1ddc"
    ${copy_licence}
    COMMAND codesign --force --sign "${VELMAR_CODESIGN_IDENTITY}" "$<TARGET_BUNDLE_DIR:velmar-monitor>"
    VERBATIM)
