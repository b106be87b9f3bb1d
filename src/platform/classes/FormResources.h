#pragma once
// Form descriptions compiled into the program: every resources/forms/<Class>.form file becomes a
// resource named after its file (the form class), found with letter case ignored.

#include <string_view>
#include <vector>

struct TFormResource {
    std::string_view name;      // "Tmainfrm"
    std::string_view fileName;  // "Tmainfrm.form"
    std::string_view text;
};

// The resource of that name, or null.
const TFormResource* FindFormResource(std::string_view name);
// Every compiled description, in file name order.
const std::vector<TFormResource>& FormResources();
