/* The HSH Audio Driver's control protocol: device name, request codes and
 * record layouts. Plain C so the driver, the peer tool and the program share
 * one definition; nothing here depends on Windows headers. */
#ifndef HUSHWAVE_AUDIO_DRIVER_PROTOCOL_H
#define HUSHWAVE_AUDIO_DRIVER_PROTOCOL_H

#include <stdint.h>

#define VAD_DEVICE_PATH "\\\\.\\HSHVAD"
#define VAD_EVENT_COUNT 6
#define VAD_EVENT_NAME_FORMAT "EventHandle[%d]"
#define VAD_FRAME_BYTES 640u
#define VAD_STATE_AUDIO_WANTED 2

/* CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS). */
#define VAD_CTL_CODE(function) ((0x22u << 16) | (0u << 14) | ((uint32_t)(function) << 2) | 0u)

#define IOCTL_VAD_REGISTER_EVENT VAD_CTL_CODE(0x801)   /* 0x00222004 */
#define IOCTL_VAD_UNREGISTER_EVENT VAD_CTL_CODE(0x802) /* 0x00222008 */
#define IOCTL_VAD_WRITE_AUDIO VAD_CTL_CODE(0x803)      /* 0x0022200C */
#define IOCTL_VAD_PEER VAD_CTL_CODE(0x804)             /* 0x00222010, never used by the program */
#define IOCTL_VAD_GET_STATE VAD_CTL_CODE(0x805)        /* 0x00222014 */

/* Input of the register and unregister requests: 8 bytes, little-endian.
 * `event` is the handle value in the caller's process (0 for unregister). */
typedef struct DriverEventRecord {
    uint32_t index;
    uint32_t event;
} DriverEventRecord;

#ifdef __cplusplus
static_assert(sizeof(DriverEventRecord) == 8, "the driver expects an 8-byte record");
#endif

#endif
