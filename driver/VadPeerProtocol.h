/* The stand-in driver's peer request (function 0x804): what the VoIP side and
 * the tests use to open and close the virtual microphone, read the audio that
 * arrived, inject faults and read counters. The program never sends it. */
#ifndef HUSHWAVE_DRIVER_VAD_PEER_PROTOCOL_H
#define HUSHWAVE_DRIVER_VAD_PEER_PROTOCOL_H

#include <stdint.h>

enum VadPeerOp {
    VAD_PEER_READ_AUDIO = 1,      /* out: VadPeerAudioHeader + bytes not read before */
    VAD_PEER_OPEN_MIC = 2,        /* state 2, empty the ring, signal event 2 */
    VAD_PEER_CLOSE_MIC = 3,       /* arg: event 0 or 1; state 0, signal it */
    VAD_PEER_SIGNAL = 4,          /* arg: event index 0..5 */
    VAD_PEER_SET_STATE = 5,       /* arg: the state word */
    VAD_PEER_STATE_NO_BYTES = 6,  /* arg 1: the state request succeeds with no bytes */
    VAD_PEER_FAIL_REGISTER = 7,   /* arg: index whose register fails, -1 for none */
    VAD_PEER_FAIL_UNREGISTER = 8, /* arg: index whose unregister fails, -1 for none */
    VAD_PEER_GET_COUNTERS = 9,    /* out: VadPeerCounters */
    VAD_PEER_RESET = 10           /* counters, faults, ring and state back to start */
};

typedef struct VadPeerRequest {
    uint32_t op;
    int32_t arg;
} VadPeerRequest;

/* Ring of delivered audio: 16 s at 32,000 bytes a second. */
#define VAD_PEER_RING_BYTES (16u * 32000u)

typedef struct VadPeerAudioHeader {
    uint32_t bytes;     /* audio bytes following this header */
    uint32_t lostBytes; /* dropped since the last read because the ring was full */
} VadPeerAudioHeader;

#define VAD_PEER_LOG_MAX 64

/* One register or unregister request as the driver received it. */
typedef struct VadPeerLogEntry {
    uint32_t code;     /* request code */
    uint32_t inLength; /* input length as received */
    uint8_t raw[8];    /* first 8 input bytes, zero where shorter */
    int32_t status;    /* NTSTATUS the driver answered */
} VadPeerLogEntry;

typedef struct VadPeerCounters {
    uint32_t registerRequests;
    uint32_t unregisterRequests;
    uint32_t stateRequests;
    uint32_t blocksWritten;
    uint32_t bytesWrittenLow;
    uint32_t bytesWrittenHigh;
    uint32_t blocksRejected; /* length not a whole number of 640-byte frames */
    uint32_t lostBytes;      /* total dropped by ring overrun */
    uint32_t registeredMask; /* bit i: event i registered now */
    int32_t state;
    uint32_t stateNoBytes;
    int32_t failRegisterAt;
    int32_t failUnregisterAt;
    uint32_t logCount; /* entries in log, at most VAD_PEER_LOG_MAX */
    VadPeerLogEntry log[VAD_PEER_LOG_MAX];
} VadPeerCounters;

#endif
