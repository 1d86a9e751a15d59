#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTcpServer>
#include <QTcpSocket>

// A tile server on 127.0.0.1 for map tests: every GET answers a 256 x 256 PNG tile in a
// colour of its own with a dark frame, so a screenshot shows tiles where they arrived.
class LocalTileServer : public QObject
{
public:
    static constexpr QRgb kTileColour = qRgb(170, 211, 223);

    LocalTileServer()
    {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(QColor(kTileColour));
        QPainter(&tile).drawRect(0, 0, 255, 255);
        QBuffer buffer(&m_png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        connect(&m_server, &QTcpServer::newConnection, this, &LocalTileServer::Accept);
        m_server.listen(QHostAddress::LocalHost);
    }

    // The template the page is given: http://127.0.0.1:<port>/{z}/{x}/{y}.png
    QString TileUrl() const
    {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(m_server.serverPort());
    }
    int TilesServed() const { return m_nServed; }

private:
    void Accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void Answer(QTcpSocket *socket)
    {
        QByteArray &request = m_requests[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        m_requests.remove(socket);
        QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n"
                           "Access-Control-Allow-Origin: *\r\nConnection: close\r\n"
                           "Content-Length: " +
                           QByteArray::number(m_png.size()) + "\r\n\r\n" + m_png;
        socket->write(reply);
        socket->disconnectFromHost();
        ++m_nServed;
    }

    QTcpServer m_server;
    QByteArray m_png;
    QHash<QTcpSocket *, QByteArray> m_requests;
    int m_nServed = 0;
};
