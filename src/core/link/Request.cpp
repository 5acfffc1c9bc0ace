#include "core/link/Request.h"

namespace {

template <size_t N>
QByteArray bytesOf(const std::array<quint8, N> &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(N));
}

Request bootloaderRequest(quint8 command, QByteArray frame, int timeoutMs, bool reopensPort)
{
    Request request;
    request.command = command;
    request.family = ReplyFamily::Bootloader;
    request.frame = std::move(frame);
    request.scrambled = true;
    request.reopensPort = reopensPort;
    request.timeoutMs = timeoutMs;
    return request;
}

} // namespace

Request applicationRequest(quint8 command, int timeoutMs)
{
    const RequestInfo *info = requestInfo(command);
    Q_ASSERT(info);
    Request request;
    request.command = command;
    request.frame = bytesOf(buildRequestFrame(*info));
    request.preamble = info->preamble;
    request.timeoutMs = timeoutMs;
    return request;
}

Request writeDataRequest(ConstPayloadSpan payload, int timeoutMs)
{
    Request request;
    request.command = Command::WriteData;
    request.frame = bytesOf(buildDataFrame(payload));
    request.reopensPort = false;
    request.timeoutMs = timeoutMs;
    return request;
}

Request announceRowRequest(quint32 address, int timeoutMs)
{
    return bootloaderRequest(Boot::Announce, bytesOf(buildAnnounceFrame(address)), timeoutMs, true);
}

Request rowDataRequest(const RowData &data, int timeoutMs)
{
    return bootloaderRequest(Boot::RowData, bytesOf(buildRowDataFrame(data)), timeoutMs, false);
}

Request finishRowRequest(bool erasePage, int timeoutMs)
{
    return bootloaderRequest(Boot::Finish, bytesOf(buildFinishFrame(erasePage)), timeoutMs, false);
}

Request bootloaderResetRequest()
{
    Request request = bootloaderRequest(Boot::Reset, bytesOf(buildResetFrame()), 0, true);
    request.awaitsReply = false;
    return request;
}
