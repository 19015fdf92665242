// SPDX-License-Identifier: BSD-2-Clause
#include "module_cases.hpp"

namespace pft {
namespace {

std::vector<ModuleCaseFactory>& factories() {
  static std::vector<ModuleCaseFactory> all;
  return all;
}

}  // namespace

bool register_module_case(ModuleCaseFactory factory) {
  factories().push_back(factory);
  return true;
}

const std::vector<ModuleCase>& module_cases() {
  static const std::vector<ModuleCase> cases = [] {
    std::vector<ModuleCase> out;
    for (ModuleCaseFactory f : factories()) out.push_back(f());
    return out;
  }();
  return cases;
}

}  // namespace pft
