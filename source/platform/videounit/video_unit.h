/* SPDX-License-Identifier: BSD-2-Clause */
/* The video codec unit library: what pelforge calls. (declarations to come) */
#ifndef PELFORGE_VIDEO_UNIT_H_
#define PELFORGE_VIDEO_UNIT_H_
#endif /* PELFORGE_VIDEO_UNIT_H_ */
