-- The store file "OVL.MDB" with its three empty tables. The build makes the
-- file from this text and the store's tests build their databases from it.
-- Columns keep their order; "index" is a keyword and is always quoted.
-- The checks keep the sizes the record classes bind: 255-byte texts, bytes
-- 0..255 and a message array of at most 2048 bytes.

CREATE TABLE ferrox_pbook (
    storage_type INTEGER,
    "index"      INTEGER,
    name         TEXT CHECK (length(CAST(name AS BLOB)) <= 255),
    phone_number TEXT CHECK (length(CAST(phone_number AS BLOB)) <= 255)
);

CREATE TABLE ferrox_sms (
    "index"   INTEGER,
    tag_type  REAL,
    time      REAL,
    cb_number TEXT CHECK (length(CAST(cb_number AS BLOB)) <= 255),
    new_flag  INTEGER CHECK (new_flag BETWEEN 0 AND 255),
    encoding  INTEGER CHECK (encoding BETWEEN 0 AND 255),
    message   BLOB CHECK (length(message) <= 2048)
);

CREATE TABLE ferrox_vcall (
    storage_type INTEGER,
    "index"      INTEGER,
    name         TEXT CHECK (length(CAST(name AS BLOB)) <= 255),
    phone_number TEXT CHECK (length(CAST(phone_number AS BLOB)) <= 255),
    time         TEXT CHECK (length(CAST(time AS BLOB)) <= 255),
    call_time    TEXT CHECK (length(CAST(call_time AS BLOB)) <= 255)
);
