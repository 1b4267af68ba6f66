// Which of the two programs this translation unit is compiled for.
// The competition build defines COMPETITION_BUILD=1; differences between the
// builds are written as `if constexpr (kCompetitionBuild)` where they occur.
#pragma once

#include <iostream>
#include <utility>

#ifndef COMPETITION_BUILD
#define COMPETITION_BUILD 0
#endif

constexpr bool kCompetitionBuild = (COMPETITION_BUILD != 0);

// Development-only console output: the competition build must stay silent,
// so every diagnostic line goes through here and compiles away there.
template <typename... Args>
inline void devOut(Args&&... args) {
    if constexpr (!kCompetitionBuild) {
        (std::cout << ... << std::forward<Args>(args));
    }
}

template <typename... Args>
inline void devErr(Args&&... args) {
    if constexpr (!kCompetitionBuild) {
        (std::cerr << ... << std::forward<Args>(args));
    }
}
