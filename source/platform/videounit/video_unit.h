/* SPDX-License-Identifier: BSD-2-Clause */
/*
 * The video codec unit library: the calls pelforge makes into it. This is the default library,
 * built on FFmpeg's libavcodec and shipped as its own shared library so that a host can bring
 * another one with the same entry points and records. It holds decoder channels (H.264, HEVC,
 * MPEG-2 video, MJPEG), encoder channels (H.264, MPEG-2 video) and two RGB-to-YUV converters.
 *
 * Channels. A channel is one stream: open it with a parameter block, feed it one access unit (or
 * one picture) per Process call, close it. Every Process call returns at most one picture (or one
 * packet); pictures the codec holds back for reordering come out on later calls, and a call with
 * the end-of-stream option (VIDEOUNIT_OPTION_END) returns them one per call until the output
 * record says none is ready; the channel then starts afresh with the next access unit.
 *
 * Memory. Decoded pictures are written into planes the caller gives, encoded packets into the
 * caller's buffer; the caller never frees anything the library returns. The library's own state
 * (codec contexts, reference pictures) comes from libavcodec's allocator, not from the memory
 * service, whose handle the open calls take only for hosts that account for it.
 *
 * Fast memory. Channels opened with a fast-memory window (VIDEOUNIT_FAST_MEM_BYTES) keep their
 * per-call working state there. The caller must give each call the window content the channel
 * left after its previous call; a call that finds another channel's state there fails with
 * VIDEOUNIT_ERR_WINDOW and changes nothing.
 *
 * Threads. The library starts no threads: every codec runs single-threaded. Decoders also run
 * bit-exact (exact averages, the reference inverse DCT), so a stream decodes to the same pictures
 * on every processor. Different channels may be driven from different threads as long as their
 * fast-memory windows are distinct or the caller serialises the calls.
 *
 * Records are plain C with natural alignment; their sizes are fixed (checked below) and their
 * fields never move. Reserved fields are set to 0 by callers and ignored.
 */
#ifndef PELFORGE_VIDEO_UNIT_H_
#define PELFORGE_VIDEO_UNIT_H_

#include <stdint.h>

#if defined(__GNUC__)
#define VIDEOUNIT_API __attribute__((visibility("default")))
#else
#define VIDEOUNIT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status of every call: 0 is success, anything else a failure of that call. */
#define VIDEOUNIT_OK 0u
#define VIDEOUNIT_ERR_ARGUMENT 0xE2000001u /**< null pointer, bad size or field out of range */
#define VIDEOUNIT_ERR_CODEC 0xE2000002u    /**< codec unknown, or libavcodec refused to open it */
#define VIDEOUNIT_ERR_MEMORY 0xE2000003u   /**< libavcodec could not allocate */
#define VIDEOUNIT_ERR_DECODE 0xE2000004u   /**< the access unit is not decodable */
#define VIDEOUNIT_ERR_PICTURE_SIZE 0xE2000005u /**< picture larger than the channel's limits */
#define VIDEOUNIT_ERR_FORMAT 0xE2000006u       /**< decoded pixel format not convertible to 4:2:0 */
#define VIDEOUNIT_ERR_EMPTY 0xE2000007u        /**< no data and no end-of-stream option */
#define VIDEOUNIT_ERR_WINDOW 0xE2000008u       /**< the fast memory holds another channel's state */
#define VIDEOUNIT_ERR_BUFFER_SHORT 0xE2000009u /**< packet or text does not fit the buffer */
#define VIDEOUNIT_ERR_ENCODE 0xE200000Au       /**< libavcodec refused the picture */

/* Codec numbers of the parameter blocks. */
#define VIDEOUNIT_CODEC_H264 1u
#define VIDEOUNIT_CODEC_HEVC 2u /**< decoding only */
#define VIDEOUNIT_CODEC_MPEG2 3u
#define VIDEOUNIT_CODEC_MJPEG 4u /**< decoding only */

/* Picture sizes the channels accept: even, from 2 to this, in both directions. */
#define VIDEOUNIT_MAX_DIMENSION 4096u
/* Codec configuration a decoder block can carry (for example avcC or hvcC from MP4 files). */
#define VIDEOUNIT_MAX_EXTRADATA 4096u
/* Fast memory a channel works in, and the tag of the picture record. */
#define VIDEOUNIT_FAST_MEM_BYTES 6144u
#define VIDEOUNIT_PICTURE_TAG 401u
/* The option that ends a stream: {VIDEOUNIT_OPTION_END, 1}. */
#define VIDEOUNIT_OPTION_END 301u

/* Compile-time size checks that work in C99 and C++. */
#define VIDEOUNIT_SIZE_CHECK(type, bytes) \
  typedef char type##_size_check[(sizeof(type) == (bytes)) ? 1 : -1]

/** An option attached to a decoder input record. */
typedef struct tVideoUnitOption {
  uint32_t u32Kind;  /**< VIDEOUNIT_OPTION_END; other kinds are ignored */
  uint32_t u32Value; /**< 1: drain the channel */
} tVideoUnitOption;

/**
 * Decoder parameter block, 6208 bytes; also the status block GetStatus fills (the status fields
 * are ignored when the block is a parameter).
 */
typedef struct tVideoUnitDecParam {
  uint32_t u32Codec;         /**< VIDEOUNIT_CODEC_H264, _HEVC, _MPEG2 or _MJPEG */
  uint32_t u32Flags;         /**< reserved, 0 */
  uint32_t u32Width;         /**< largest picture the channel writes: even, 2..4096 */
  uint32_t u32Height;        /**< likewise */
  uint32_t u32ExtraLen;      /**< bytes of au8Extra in use, 0..VIDEOUNIT_MAX_EXTRADATA */
  uint32_t u32FramesDecoded; /**< status: pictures written since open */
  uint32_t u32Errors;        /**< status: calls that failed since open */
  uint32_t u32PicWidth;      /**< status: size of the last picture written */
  uint32_t u32PicHeight;     /**< status */
  uint32_t au32Reserved[7];  /**< 0 */
  uint8_t au8Extra[4096];    /**< codec configuration (out-of-band parameter sets), if any */
  uint8_t au8Reserved[2048]; /**< 0 */
} tVideoUnitDecParam;

/** Decoder input record, 40 bytes: one access unit. */
typedef struct tVideoUnitDecInput {
  const uint8_t* pu8Data;           /**< the access unit; may be null when u32Length is 0 */
  uint32_t u32Length;               /**< its length in bytes */
  uint32_t u32Flags;                /**< reserved, 0 */
  int64_t s64Pts;                   /**< handed back with the picture decoded from this unit */
  uint64_t u64Reserved;             /**< 0 */
  const tVideoUnitOption* ptOption; /**< null, or an option for this call only */
} tVideoUnitDecInput;

/**
 * Picture record, 56 bytes: where a decoder writes a picture and what it says about it. A decoder
 * output record that links one (ptPicture) gets the picture in these planes.
 */
typedef struct tVideoUnitPicture {
  uint32_t u32Tag;     /**< VIDEOUNIT_PICTURE_TAG */
  uint8_t* pu8Y;       /**< luma plane */
  uint8_t* pu8U;       /**< U plane */
  uint8_t* pu8V;       /**< V plane */
  uint32_t u32Pitch;   /**< luma pitch in bytes */
  uint32_t u32UVPitch; /**< chroma pitch in bytes */
  uint32_t u32Width;   /**< copied from the output record after a decode: picture width */
  uint32_t u32Height;  /**< picture height */
  uint32_t u32Ready;   /**< 1 when a picture was written */
} tVideoUnitPicture;

/**
 * Decoder output record, 72 bytes. The caller names the destination: either ptPicture, or the
 * planes pu8Y, pu8U, pu8V with their pitches. A picture of w x h is written as w x h luma and
 * (w + 1) / 2 x (h + 1) / 2 U and V samples at the planes' origins; nothing else is touched.
 */
typedef struct tVideoUnitDecOutput {
  uint8_t* pu8Y;                /**< luma plane (when ptPicture is null) */
  uint32_t u32PicWidth;         /**< written: width of the picture this call wrote, else 0 */
  uint32_t u32PicHeight;        /**< written: its height, else 0 */
  uint32_t u32PicReady;         /**< written: 1 when this call wrote a picture */
  uint32_t u32YPitch;           /**< luma pitch in bytes (when ptPicture is null) */
  uint8_t* pu8U;                /**< U plane (when ptPicture is null) */
  uint8_t* pu8V;                /**< V plane (when ptPicture is null) */
  uint32_t u32UVPitch;          /**< chroma pitch in bytes (when ptPicture is null) */
  uint32_t u32KeyFrame;         /**< written: 1 for an intra picture */
  int64_t s64Pts;               /**< written: s64Pts of the access unit the picture came from */
  uint64_t u64Reserved;         /**< 0 */
  tVideoUnitPicture* ptPicture; /**< null, or the picture record to write into */
} tVideoUnitDecOutput;

/**
 * Encoder parameter block, 6264 bytes; also the status block GetStatus fills. Input pictures are
 * planar 4:2:0 of u32Width x u32Height.
 */
typedef struct tVideoUnitEncParam {
  uint32_t u32Codec;         /**< VIDEOUNIT_CODEC_H264 or VIDEOUNIT_CODEC_MPEG2 */
  uint32_t u32Flags;         /**< reserved, 0 */
  uint32_t u32Width;         /**< even, 16..4096 */
  uint32_t u32Height;        /**< even, 16..4096 */
  uint32_t u32Bitrate;       /**< bits per second (16000..200000000); 0: constant quality */
  uint32_t u32Gop;           /**< pictures from one key frame to the next, 1..1000; 0: 50 */
  uint32_t u32FrameRateNum;  /**< frame rate numerator; 0: 25 */
  uint32_t u32FrameRateDen;  /**< frame rate denominator; 0: 1 */
  uint32_t u32BFrames;       /**< B pictures between references, 0..4 (each adds delay) */
  uint32_t u32YPitch;        /**< luma pitch of the input pictures; 0: u32Width */
  uint32_t u32UVPitch;       /**< chroma pitch; 0: u32Width / 2 */
  uint32_t u32Quality;       /**< without bitrate: H.264 CRF 1..51, MPEG-2 qscale 1..31; 0: 23/4 */
  uint32_t u32FramesEncoded; /**< status: pictures taken since open */
  uint32_t u32PacketsOut;    /**< status: packets handed out since open */
  uint32_t u32Errors;        /**< status: calls that failed since open */
  uint32_t au32Reserved[17]; /**< 0 */
  uint8_t au8Reserved[6136]; /**< 0 */
} tVideoUnitEncParam;

/** Encoder input record, 24 bytes: one picture, or the end of the stream when pu8Y is null. */
typedef struct tVideoUnitEncInput {
  const uint8_t* pu8Y; /**< luma plane; null: no picture, drain the channel */
  const uint8_t* pu8U; /**< U plane */
  const uint8_t* pu8V; /**< V plane */
} tVideoUnitEncInput;

/** Encoder output record, 32 bytes: where the packet goes. */
typedef struct tVideoUnitEncOutput {
  uint8_t* pu8Buf;      /**< the caller's buffer */
  uint32_t u32BufSize;  /**< its size in bytes */
  uint32_t u32Length;   /**< written: packet length (0: none ready); the size needed when the
                             call fails with VIDEOUNIT_ERR_BUFFER_SHORT (the packet is kept) */
  uint32_t u32KeyFrame; /**< written: 1 for a key frame */
  uint32_t u32Ready;    /**< written: 1 when a packet was written */
  int64_t s64Pts;       /**< written: the packet's picture number, counted from 0 */
} tVideoUnitEncOutput;

/**
 * Encoder debug text, 260 bytes, zero-terminated. Commands: "keyframe" makes the next picture a
 * key frame; "reset" drops pending packets and restarts the stream at the next picture.
 */
typedef struct tVideoUnitEncText {
  char as8Text[260];
} tVideoUnitEncText;

VIDEOUNIT_SIZE_CHECK(tVideoUnitDecParam, 6208);
VIDEOUNIT_SIZE_CHECK(tVideoUnitDecInput, 40);
VIDEOUNIT_SIZE_CHECK(tVideoUnitDecOutput, 72);
VIDEOUNIT_SIZE_CHECK(tVideoUnitPicture, 56);
VIDEOUNIT_SIZE_CHECK(tVideoUnitEncParam, 6264);
VIDEOUNIT_SIZE_CHECK(tVideoUnitEncInput, 24);
VIDEOUNIT_SIZE_CHECK(tVideoUnitEncOutput, 32);
VIDEOUNIT_SIZE_CHECK(tVideoUnitEncText, 260);

/* ---- Decoder channels ---- */

/**
 * Opens a decoder channel for the block (copied). pvFastMem: the channel's fast-memory window of
 * VIDEOUNIT_FAST_MEM_BYTES, or null. *phChannel is set on success only.
 */
VIDEOUNIT_API uint32_t VideoUnitDecoder4PelforgeOpen(void** phChannel,
                                                     const tVideoUnitDecParam* ptParam, void* hMem,
                                                     void* pvFastMem);
/** Opens a decoder channel without fast memory; u32Height must equal the block's u32Height. */
VIDEOUNIT_API uint32_t VideoUnitDecoder4PelforgeNewOpen(void** phChannel,
                                                        const tVideoUnitDecParam* ptParam,
                                                        void* hMem, uint32_t u32Height);
/**
 * New limits and configuration for an open channel. A different codec or configuration restarts
 * the channel (pictures it held are dropped); new limits apply from the next picture.
 */
VIDEOUNIT_API uint32_t VideoUnitDecoderSetParam(void* hChannel, const tVideoUnitDecParam* ptParam);
/** Decodes one access unit and writes at most one picture, as the records above say. */
VIDEOUNIT_API uint32_t VideoUnitDecoderProcess(void* hChannel, const tVideoUnitDecInput* ptInput,
                                               tVideoUnitDecOutput* ptOutput);
/** Fills a block: the channel's parameters and its status fields. */
VIDEOUNIT_API uint32_t VideoUnitDecoderGetStatus(void* hChannel, tVideoUnitDecParam* ptStatus);
/** An estimate of the memory a channel with these parameters takes from libavcodec. */
VIDEOUNIT_API uint32_t VideoUnitDecoderGetMemSize(const tVideoUnitDecParam* ptParam,
                                                  uint32_t* pu32Size);
/**
 * Writes the decoder's version text (with libavcodec's version); u32Kind is the caller's
 * interface revision (pelforge passes 3; every value gives the same text). A buffer shorter than
 * the text plus its terminator gives VIDEOUNIT_ERR_BUFFER_SHORT.
 */
VIDEOUNIT_API uint32_t VideoUnitDecoderGetVersion(char* ps8Buf, int32_t s32BufLen,
                                                  uint32_t* pu32TextLen, uint32_t u32Kind);
/** Closes a channel whose open went through but which the caller gives up at once. */
VIDEOUNIT_API uint32_t VideoUnitDecoderClose(void* hChannel);
/** Closes a channel at the end of its life. */
VIDEOUNIT_API uint32_t VideoUnitDecoder4PelforgeClose(void* hChannel);

/* ---- Encoder channels ---- */

/** Opens an encoder channel for the block (copied); pvFastMem as for decoders. */
VIDEOUNIT_API uint32_t VideoUnitMultiEncoderOpen(void** phChannel,
                                                 const tVideoUnitEncParam* ptParam, void* hMem,
                                                 void* pvFastMem);
/** New parameters: the stream restarts with a key frame; pending packets are dropped. */
VIDEOUNIT_API uint32_t VideoUnitEncoderSetParam(void* hChannel, const tVideoUnitEncParam* ptParam);
/** Encodes one picture (or drains) and writes at most one packet. */
VIDEOUNIT_API uint32_t VideoUnitEncoderProcess(void* hChannel, const tVideoUnitEncInput* ptInput,
                                               tVideoUnitEncOutput* ptOutput);
VIDEOUNIT_API uint32_t VideoUnitEncoderGetStatus(void* hChannel, tVideoUnitEncParam* ptStatus);
VIDEOUNIT_API uint32_t VideoUnitEncoderGetMemSize(const tVideoUnitEncParam* ptParam,
                                                  uint32_t* pu32Size);
VIDEOUNIT_API uint32_t VideoUnitEncoderGetVersion(char* ps8Buf, int32_t s32BufLen,
                                                  uint32_t* pu32TextLen);
/** Runs a debug command (tVideoUnitEncText); unknown commands give VIDEOUNIT_ERR_ARGUMENT. */
VIDEOUNIT_API uint32_t VideoUnitEncoderDebug(void* hChannel, const tVideoUnitEncText* ptText);
VIDEOUNIT_API uint32_t VideoUnitEncoderClose(void* hChannel);
VIDEOUNIT_API uint32_t VideoUnitMultiEncoderClose(void* hChannel);

/* ---- Converters ---- */

/*
 * RGB to planar 4:2:0. Arguments: the RGB buffer (first stored row), its row length in bytes,
 * the Y, U and V planes, the luma pitch, the chroma pitch, width and height (both even and
 * positive), the bottom-up flag (non-zero: the first stored row is the picture's bottom row) and
 * the caller's parameter record, which these converters do not read (may be null).
 *
 * bgr_to_yv12_mmx reads blue, green, red bytes; bgra_to_yv12_mmx blue, green, red and an unread
 * fourth byte. For each 2x2 block, with arithmetic shifts:
 *   Y of each pixel = (76 R + 150 G + 29 B + 128) >> 8
 *   U = min(((-43 R - 84 G + 128 B + 128) >> 8) + 128, 255)   from the block's top-left pixel
 *   V = min(((128 R - 107 G - 20 B + 128) >> 8) + 128, 255)   likewise
 * which is exactly what pelforge's RGB24toYUV420_c and RGB32toYUV420_c compute.
 */
VIDEOUNIT_API uint32_t bgr_to_yv12_mmx(const uint8_t* pu8Bgr, int32_t s32SrcStride, uint8_t* pu8Y,
                                       uint8_t* pu8U, uint8_t* pu8V, int32_t s32YPitch,
                                       int32_t s32UVPitch, int32_t s32Width, int32_t s32Height,
                                       uint32_t u32BottomUp, const void* pvParam);
VIDEOUNIT_API uint32_t bgra_to_yv12_mmx(const uint8_t* pu8Bgra, int32_t s32SrcStride, uint8_t* pu8Y,
                                        uint8_t* pu8U, uint8_t* pu8V, int32_t s32YPitch,
                                        int32_t s32UVPitch, int32_t s32Width, int32_t s32Height,
                                        uint32_t u32BottomUp, const void* pvParam);

#ifdef __cplusplus
}
#endif

#endif /* PELFORGE_VIDEO_UNIT_H_ */
