'use strict';

// The viewer's map: OpenStreetMap tiles under the vehicle's track and position. The viewer
// calls DrawCurrent(longitude, latitude, zoom) with three strings on every position tick.
(function () {
    var TEXTS = {
        en: {
            title: 'Map',
            noTiles: 'Map tiles are unavailable: the track is drawn on a grid.',
        },
        ko: {
            title: '지도',
            noTiles: '지도 타일을 불러올 수 없어 격자 위에 경로를 표시합니다.',
        },
        ja: {
            title: '地図',
            noTiles: '地図タイルを読み込めないため、グリッド上に走行経路を表示しています。',
        },
        ru: {
            title: 'Карта',
            noTiles: 'Фрагменты карты недоступны: маршрут показан на сетке.',
        },
    };
    var DEFAULT_TILES = 'https://tile.openstreetmap.org/{z}/{x}/{y}.png';
    var ATTRIBUTION =
        '&copy; <a href="https://www.openstreetmap.org/copyright">OpenStreetMap</a> contributors';
    var MAX_ZOOM = 19;
    // The viewer asks for zoom 9, a region; a drive of a minute or two shows only at street
    // level, so the page opens at least there.
    var STREET_ZOOM = 16;
    // A jump longer than this between two positions (a seek, another recording) starts a new
    // line instead of drawing across the map.
    var NEW_SEGMENT_METRES = 1000;
    var TRANSPARENT_TILE = 'data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7';

    var params = new URLSearchParams(window.location.search);
    var language = Object.prototype.hasOwnProperty.call(TEXTS, params.get('language'))
        ? params.get('language')
        : 'en';
    var texts = TEXTS[language];
    document.documentElement.lang = language;
    document.title = texts.title;

    // Only http(s) templates with the {z}, {x} and {y} placeholders are used.
    function tileTemplate(text) {
        if (!text || !/^https?:\/\/[^\s]+$/.test(text))
            return DEFAULT_TILES;
        var placeholders = text.match(/\{[^}]*\}/g) || [];
        var allowed = placeholders.every(function (p) {
            return p === '{z}' || p === '{x}' || p === '{y}';
        });
        return allowed && placeholders.length === 3 ? text : DEFAULT_TILES;
    }

    var map = L.map('map', { zoomControl: true, maxZoom: MAX_ZOOM }).setView([20, 0], 2);

    // The grid lies under the tiles: where no tile arrives, the track still has a background.
    var Grid = L.GridLayer.extend({
        createTile: function () {
            var size = this.getTileSize();
            var tile = document.createElement('canvas');
            tile.width = size.x;
            tile.height = size.y;
            var ctx = tile.getContext('2d');
            ctx.fillStyle = '#f2efe9';
            ctx.fillRect(0, 0, size.x, size.y);
            ctx.strokeStyle = '#dcd6cb';
            ctx.lineWidth = 1;
            for (var i = 0; i <= size.x; i += size.x / 8) {
                ctx.beginPath();
                ctx.moveTo(i + 0.5, 0);
                ctx.lineTo(i + 0.5, size.y);
                ctx.moveTo(0, i + 0.5);
                ctx.lineTo(size.x, i + 0.5);
                ctx.stroke();
            }
            ctx.strokeStyle = '#b9b1a3';
            ctx.strokeRect(0.5, 0.5, size.x, size.y);
            return tile;
        },
    });
    new Grid({ zIndex: 0, maxZoom: MAX_ZOOM }).addTo(map);

    var tiles = L.tileLayer(tileTemplate(params.get('tiles')), {
        maxZoom: MAX_ZOOM,
        zIndex: 1,
        attribution: ATTRIBUTION,
        errorTileUrl: TRANSPARENT_TILE,
    }).addTo(map);

    var note = document.getElementById('note');
    note.textContent = texts.noTiles;
    var tilesLoaded = 0;
    var tileErrors = 0;
    function updateNote() {
        note.hidden = tilesLoaded > 0 || (tileErrors === 0 && navigator.onLine);
    }
    tiles.on('tileload', function (event) {
        // A failed tile is replaced by the transparent one, which also "loads".
        if (event.tile.src === TRANSPARENT_TILE)
            return;
        tilesLoaded += 1;
        updateNote();
    });
    tiles.on('tileerror', function () {
        tileErrors += 1;
        updateNote();
    });
    window.addEventListener('online', updateNote);
    window.addEventListener('offline', updateNote);
    updateNote();

    var track = L.polyline([], { color: '#1a5fd0', weight: 4, opacity: 0.8 }).addTo(map);
    var segments = [[]];
    var marker = null;

    // Decimal numbers only ("-126.977000"); no exponents, words or blanks.
    function parseNumber(text, limit) {
        if (typeof text !== 'string' || !/^[+-]?(\d+(\.\d*)?|\.\d+)$/.test(text))
            return null;
        var value = Number(text);
        return isFinite(value) && Math.abs(value) <= limit ? value : null;
    }

    function parseZoom(text) {
        if (typeof text !== 'string' || !/^\d{1,2}$/.test(text))
            return null;
        var zoom = Number(text);
        return zoom <= MAX_ZOOM ? zoom : null;
    }

    // Returns "drawn", or "refused" for arguments that are no position (0, 0 is no fix).
    window.DrawCurrent = function (longitudeText, latitudeText, zoomText) {
        var longitude = parseNumber(longitudeText, 180);
        var latitude = parseNumber(latitudeText, 90);
        var zoom = parseZoom(zoomText);
        if (longitude === null || latitude === null || zoom === null)
            return 'refused';
        if (longitude === 0 && latitude === 0)
            return 'refused';
        var position = L.latLng(latitude, longitude);
        var current = segments[segments.length - 1];
        var last = current.length ? current[current.length - 1] : null;
        if (last && last.distanceTo(position) > NEW_SEGMENT_METRES) {
            current = [];
            segments.push(current);
        }
        if (!last || !last.equals(position))
            current.push(position);
        track.setLatLngs(segments);
        if (!marker) {
            marker = L.circleMarker(position, {
                radius: 7,
                color: '#ffffff',
                weight: 2,
                fillColor: '#d7263d',
                fillOpacity: 1,
            }).addTo(map);
            map.setView(position, Math.max(zoom, STREET_ZOOM));
        } else {
            marker.setLatLng(position);
            // The user's own zoom and panning stay until the vehicle leaves the view.
            if (!map.getBounds().contains(position))
                map.panTo(position);
        }
        return 'drawn';
    };

    // What the page shows, for the viewer's tests.
    window.MapStatus = function () {
        var at = marker ? marker.getLatLng() : null;
        return {
            language: language,
            marker: at ? { lat: at.lat, lng: at.lng } : null,
            points: segments.reduce(function (n, s) { return n + s.length; }, 0),
            segments: segments.length,
            zoom: map.getZoom(),
            tileUrl: tiles._url,
            tilesLoaded: tilesLoaded,
            tileErrors: tileErrors,
            note: note.hidden ? '' : note.textContent,
        };
    };
})();
