# The update file and the long poll timer (plain C++, in keltrix_core).
set(KELTRIX_UPDATE_CORE_SOURCES
    src/update/update_file.cpp
    src/update/poll_timer.cpp
)
# The check with its download through libcurl (plain C++, its own library: only the window
# downloads).
set(KELTRIX_UPDATE_SOURCES
    src/update/update_check.cpp
    src/platform/linux/url_download.cpp
)
# The "Update Settings" dialog (Qt).
set(KELTRIX_UPDATE_UI_SOURCES
    src/update/updatesettings.cpp
)
