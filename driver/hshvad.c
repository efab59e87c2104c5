/* Stand-in for the HSH Audio Driver: a kernel driver that serves \\.\HSHVAD the
 * way the program relies on (register/unregister the six named events, take
 * audio in whole 640-byte frames, report the state word) and adds a peer
 * request for the VoIP side and for tests.
 *
 * Under Wine the IRP handler runs in winedevice.exe, where the handle value in
 * the event record means nothing, so the event is opened by its name in the
 * caller's session instead. The record is still checked and logged as sent. */
#include <ntddk.h>

#include "../audio/DriverProtocol.h"
#include "VadPeerProtocol.h"

#define VAD_POOL_TAG 0x64765348u /* "Hsvd" */

typedef struct VadEventSlot {
    PKEVENT event;
    PFILE_OBJECT owner; /* the handle that registered it; cleanup releases it */
} VadEventSlot;

typedef struct VadState {
    KSPIN_LOCK lock;
    VadEventSlot slots[VAD_EVENT_COUNT];
    uint8_t* ring;
    uint32_t ringWrite; /* total bytes ever written, modulo 2^32 */
    uint32_t ringRead;  /* total bytes handed to the peer, modulo 2^32 */
    uint32_t lostSinceRead;
    VadPeerCounters counters;
} VadState;

static VadState g_vad;
static PDEVICE_OBJECT g_device;

static const WCHAR kDeviceName[] = L"\\Device\\HSHVAD";
static const WCHAR kLinkName[] = L"\\DosDevices\\HSHVAD";

static void ResetCounters(void) {
    RtlZeroMemory(&g_vad.counters, sizeof(g_vad.counters));
    g_vad.counters.failRegisterAt = -1;
    g_vad.counters.failUnregisterAt = -1;
}

static void LogEventRequest(uint32_t code, const void* in, uint32_t inLength, NTSTATUS status) {
    VadPeerCounters* c = &g_vad.counters;
    if (c->logCount < VAD_PEER_LOG_MAX) {
        VadPeerLogEntry* e = &c->log[c->logCount++];
        e->code = code;
        e->inLength = inLength;
        RtlZeroMemory(e->raw, sizeof(e->raw));
        RtlCopyMemory(e->raw, in, inLength < 8 ? inLength : 8);
        e->status = status;
    }
}

/* Opens "EventHandle[i]" in the session where user programs create it. */
static NTSTATUS OpenNamedEvent(uint32_t index, PKEVENT* out) {
    static const char* const prefixes[] = {"\\Sessions\\1\\BaseNamedObjects\\",
                                           "\\BaseNamedObjects\\"};
    NTSTATUS status = STATUS_OBJECT_NAME_NOT_FOUND;
    for (unsigned p = 0; p < 2 && !NT_SUCCESS(status); ++p) {
        WCHAR name[96];
        unsigned n = 0;
        for (const char* s = prefixes[p]; *s; ++s)
            name[n++] = (WCHAR)*s;
        for (const char* s = "EventHandle["; *s; ++s)
            name[n++] = (WCHAR)*s;
        name[n++] = (WCHAR)(L'0' + index);
        name[n++] = L']';
        name[n] = 0;
        UNICODE_STRING uname;
        RtlInitUnicodeString(&uname, name);
        OBJECT_ATTRIBUTES attrs;
        InitializeObjectAttributes(&attrs, &uname, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE, NULL,
                                   NULL);
        HANDLE handle;
        status = ZwOpenEvent(&handle, EVENT_MODIFY_STATE | SYNCHRONIZE, &attrs);
        if (!NT_SUCCESS(status))
            continue;
        status =
            ObReferenceObjectByHandle(handle, EVENT_MODIFY_STATE, (POBJECT_TYPE)ExEventObjectType,
                                      KernelMode, (PVOID*)out, NULL);
        ZwClose(handle);
    }
    return status;
}

static void ReleaseSlot(uint32_t index) {
    if (g_vad.slots[index].event)
        ObDereferenceObject(g_vad.slots[index].event);
    g_vad.slots[index].event = NULL;
    g_vad.slots[index].owner = NULL;
    g_vad.counters.registeredMask &= ~(1u << index);
}

static void SignalEvent(uint32_t index) {
    if (index < VAD_EVENT_COUNT && g_vad.slots[index].event)
        KeSetEvent(g_vad.slots[index].event, IO_NO_INCREMENT, FALSE);
}

/* Runs without the lock held: opening the event needs PASSIVE_LEVEL. Every
 * read or change of the shared state happens under the lock afterwards. */
static NTSTATUS OnRegister(PFILE_OBJECT file, const DriverEventRecord* rec, uint32_t inLength) {
    const int valid =
        inLength == sizeof(DriverEventRecord) && rec->index < VAD_EVENT_COUNT && rec->event != 0;
    PKEVENT event = NULL;
    NTSTATUS status = valid ? OpenNamedEvent(rec->index, &event) : STATUS_INVALID_PARAMETER;
    KIRQL irql;
    KeAcquireSpinLock(&g_vad.lock, &irql);
    g_vad.counters.registerRequests++;
    if (valid && (int32_t)rec->index == g_vad.counters.failRegisterAt)
        status = STATUS_ACCESS_DENIED;
    if (NT_SUCCESS(status)) {
        ReleaseSlot(rec->index);
        g_vad.slots[rec->index].event = event;
        g_vad.slots[rec->index].owner = file;
        g_vad.counters.registeredMask |= 1u << rec->index;
        event = NULL;
    }
    LogEventRequest(IOCTL_VAD_REGISTER_EVENT, rec, inLength, status);
    KeReleaseSpinLock(&g_vad.lock, irql);
    if (event) /* opened, then refused */
        ObDereferenceObject(event);
    return status;
}

static NTSTATUS OnUnregister(const DriverEventRecord* rec, uint32_t inLength) {
    NTSTATUS status = STATUS_SUCCESS;
    g_vad.counters.unregisterRequests++;
    if (inLength != sizeof(DriverEventRecord) || rec->index >= VAD_EVENT_COUNT)
        status = STATUS_INVALID_PARAMETER;
    else if ((int32_t)rec->index == g_vad.counters.failUnregisterAt)
        status = STATUS_ACCESS_DENIED;
    else
        ReleaseSlot(rec->index);
    LogEventRequest(IOCTL_VAD_UNREGISTER_EVENT, rec, inLength, status);
    return status;
}

/* Appends to the ring; when the peer has not read for 16 s, the oldest audio
 * is dropped and counted so a test can see that the reader fell behind. */
static void RingAppend(const uint8_t* data, uint32_t length) {
    for (uint32_t done = 0; done < length;) {
        uint32_t at = g_vad.ringWrite % VAD_PEER_RING_BYTES;
        uint32_t run = VAD_PEER_RING_BYTES - at;
        if (run > length - done)
            run = length - done;
        RtlCopyMemory(g_vad.ring + at, data + done, run);
        g_vad.ringWrite += run;
        done += run;
    }
    uint32_t held = g_vad.ringWrite - g_vad.ringRead;
    if (held > VAD_PEER_RING_BYTES) {
        uint32_t lost = held - VAD_PEER_RING_BYTES;
        g_vad.ringRead += lost;
        g_vad.lostSinceRead += lost;
        g_vad.counters.lostBytes += lost;
    }
}

static NTSTATUS OnWriteAudio(const uint8_t* data, uint32_t length, ULONG_PTR* info) {
    if (length == 0 || length % VAD_FRAME_BYTES != 0) {
        g_vad.counters.blocksRejected++;
        return STATUS_INVALID_BUFFER_SIZE;
    }
    RingAppend(data, length);
    g_vad.counters.blocksWritten++;
    uint32_t low = g_vad.counters.bytesWrittenLow;
    g_vad.counters.bytesWrittenLow += length;
    if (g_vad.counters.bytesWrittenLow < low)
        g_vad.counters.bytesWrittenHigh++;
    /* The count is what the program reads as accepted. With an output buffer
     * the count would copy the block back into it: then nothing is returned. */
    if (info)
        *info = length;
    return STATUS_SUCCESS;
}

static NTSTATUS OnGetState(uint8_t* out, uint32_t outLength, ULONG_PTR* info) {
    g_vad.counters.stateRequests++;
    if (g_vad.counters.stateNoBytes)
        return STATUS_SUCCESS;
    if (outLength < sizeof(int32_t))
        return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(out, &g_vad.counters.state, sizeof(int32_t));
    *info = sizeof(int32_t);
    return STATUS_SUCCESS;
}

static NTSTATUS OnReadAudio(uint8_t* out, uint32_t outLength, ULONG_PTR* info) {
    if (outLength < sizeof(VadPeerAudioHeader))
        return STATUS_BUFFER_TOO_SMALL;
    uint32_t room = outLength - sizeof(VadPeerAudioHeader);
    uint32_t held = g_vad.ringWrite - g_vad.ringRead;
    uint32_t take = held < room ? held : room;
    VadPeerAudioHeader header = {take, g_vad.lostSinceRead};
    for (uint32_t done = 0; done < take;) {
        uint32_t at = g_vad.ringRead % VAD_PEER_RING_BYTES;
        uint32_t run = VAD_PEER_RING_BYTES - at;
        if (run > take - done)
            run = take - done;
        RtlCopyMemory(out + sizeof(header) + done, g_vad.ring + at, run);
        g_vad.ringRead += run;
        done += run;
    }
    g_vad.lostSinceRead = 0;
    RtlCopyMemory(out, &header, sizeof(header));
    *info = sizeof(header) + take;
    return STATUS_SUCCESS;
}

static void EmptyRing(void) {
    g_vad.ringRead = g_vad.ringWrite;
    g_vad.lostSinceRead = 0;
}

static NTSTATUS OnPeer(const VadPeerRequest* req, uint32_t inLength, uint8_t* out,
                       uint32_t outLength, ULONG_PTR* info) {
    if (inLength < sizeof(VadPeerRequest))
        return STATUS_INVALID_PARAMETER;
    switch (req->op) {
    case VAD_PEER_READ_AUDIO:
        return OnReadAudio(out, outLength, info);
    case VAD_PEER_OPEN_MIC:
        EmptyRing();
        g_vad.counters.state = VAD_STATE_AUDIO_WANTED;
        SignalEvent(2);
        return STATUS_SUCCESS;
    case VAD_PEER_CLOSE_MIC:
        if (req->arg != 0 && req->arg != 1)
            return STATUS_INVALID_PARAMETER;
        g_vad.counters.state = 0;
        SignalEvent((uint32_t)req->arg);
        return STATUS_SUCCESS;
    case VAD_PEER_SIGNAL:
        if (req->arg < 0 || req->arg >= VAD_EVENT_COUNT)
            return STATUS_INVALID_PARAMETER;
        SignalEvent((uint32_t)req->arg);
        return STATUS_SUCCESS;
    case VAD_PEER_SET_STATE:
        g_vad.counters.state = req->arg;
        return STATUS_SUCCESS;
    case VAD_PEER_STATE_NO_BYTES:
        g_vad.counters.stateNoBytes = req->arg ? 1 : 0;
        return STATUS_SUCCESS;
    case VAD_PEER_FAIL_REGISTER:
        g_vad.counters.failRegisterAt = req->arg;
        return STATUS_SUCCESS;
    case VAD_PEER_FAIL_UNREGISTER:
        g_vad.counters.failUnregisterAt = req->arg;
        return STATUS_SUCCESS;
    case VAD_PEER_GET_COUNTERS:
        if (outLength < sizeof(VadPeerCounters))
            return STATUS_BUFFER_TOO_SMALL;
        RtlCopyMemory(out, &g_vad.counters, sizeof(VadPeerCounters));
        *info = sizeof(VadPeerCounters);
        return STATUS_SUCCESS;
    case VAD_PEER_RESET: {
        uint32_t mask = g_vad.counters.registeredMask;
        ResetCounters();
        g_vad.counters.registeredMask = mask; /* registrations are not the peer's to drop */
        EmptyRing();
        return STATUS_SUCCESS;
    }
    default:
        return STATUS_INVALID_PARAMETER;
    }
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR info) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? info : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

/* A program that ends or closes its handle without unregistering must not
 * leave the driver holding its events. */
static NTSTATUS NTAPI DispatchCleanup(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    KIRQL irql;
    KeAcquireSpinLock(&g_vad.lock, &irql);
    for (uint32_t i = 0; i < VAD_EVENT_COUNT; ++i)
        if (g_vad.slots[i].event && g_vad.slots[i].owner == file)
            ReleaseSlot(i);
    KeReleaseSpinLock(&g_vad.lock, irql);
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    uint32_t code = stack->Parameters.DeviceIoControl.IoControlCode;
    uint32_t inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    uint32_t outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    uint8_t* buffer = (uint8_t*)irp->AssociatedIrp.SystemBuffer;
    ULONG_PTR info = 0;
    NTSTATUS status;
    uint8_t empty[8] = {0};
    const uint8_t* in = buffer && inLength ? buffer : empty;

    if (code == IOCTL_VAD_REGISTER_EVENT)
        return Complete(irp, OnRegister(stack->FileObject, (const DriverEventRecord*)in, inLength),
                        0);
    KIRQL irql;
    KeAcquireSpinLock(&g_vad.lock, &irql);
    switch (code) {
    case IOCTL_VAD_UNREGISTER_EVENT:
        status = OnUnregister((const DriverEventRecord*)in, inLength);
        break;
    case IOCTL_VAD_WRITE_AUDIO:
        status = OnWriteAudio(in, inLength, outLength ? NULL : &info);
        break;
    case IOCTL_VAD_GET_STATE:
        status = OnGetState(buffer, outLength, &info);
        break;
    case IOCTL_VAD_PEER:
        status = OnPeer((const VadPeerRequest*)in, inLength, buffer, outLength, &info);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    KeReleaseSpinLock(&g_vad.lock, irql);
    return Complete(irp, status, info);
}

static void NTAPI DriverUnload(PDRIVER_OBJECT driver) {
    (void)driver;
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, kLinkName);
    IoDeleteSymbolicLink(&link);
    for (uint32_t i = 0; i < VAD_EVENT_COUNT; ++i)
        ReleaseSlot(i);
    if (g_vad.ring)
        ExFreePool(g_vad.ring);
    g_vad.ring = NULL;
    if (g_device)
        IoDeleteDevice(g_device);
    g_device = NULL;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    (void)registryPath;
    RtlZeroMemory(&g_vad, sizeof(g_vad));
    KeInitializeSpinLock(&g_vad.lock);
    ResetCounters();
    g_vad.ring = (uint8_t*)ExAllocatePoolWithTag(NonPagedPool, VAD_PEER_RING_BYTES, VAD_POOL_TAG);
    if (!g_vad.ring)
        return STATUS_INSUFFICIENT_RESOURCES;

    UNICODE_STRING name, link;
    RtlInitUnicodeString(&name, kDeviceName);
    RtlInitUnicodeString(&link, kLinkName);
    NTSTATUS status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &g_device);
    if (NT_SUCCESS(status))
        status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        DriverUnload(driver);
        return status;
    }
    g_device->Flags |= DO_BUFFERED_IO;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = DriverUnload;
    return STATUS_SUCCESS;
}
