// SPDX-License-Identifier: BSD-2-Clause
// (tests to come)
