# SPDX-License-Identifier: MIT
# What every layer uses: the error classes and the advanced log (plain C++).
set(KELTRIX_BASE_SOURCES
    src/base/smartlog.cpp
)
