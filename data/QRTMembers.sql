-- A fresh job database:  sqlite3 QRTMembers.mdb < data/QRTMembers.sql
-- or, without the sqlite3 program:  dipsheet-chart --new-database  (in the folder), which makes
-- the same tables and first record (a test holds the two together) and marks the file with the
-- version of its shape; a file made here is marked by its first write.
-- mrQRT holds the job record (the program uses the record with the lowest rowid);
-- Capacity holds the rows of the current chart, ChartSetup (one row) the set-up it was made
-- from (as people read it), the tank's full capacity, and the tank in one line of
-- "key=value" pairs ("tank=1; shape=cyl; units=in; measures=inside; striker=yes; ...").
-- ChartHistory keeps every chart made (when, the job record, set-up, tank, full capacity, unit,
-- its rows: each row's depth and volume as IEEE 754 singles, least significant byte first; and
-- what its last printout showed: "in" or "mm" for the definition's unit, then "ullage" and
-- "percent" for the columns it had, NULL before it was printed;
-- ChartHistoryIds lets the history be counted without reading those rows);
-- ChartHistorySearch holds the trigrams of each one's serial number, customer and description.
BEGIN;
CREATE TABLE mrQRT(mrQRTMember TEXT, mrCustomer TEXT, mrTankDesc TEXT, mrSerialNo TEXT);
CREATE TABLE Capacity(Depth REAL, Capacity REAL);
CREATE TABLE ChartSetup(Setup TEXT, Full REAL, Tank TEXT);
CREATE TABLE ChartHistory(Id INTEGER PRIMARY KEY, Made TEXT, Client TEXT, Customer TEXT,
    TankDesc TEXT, SerialNo TEXT, Setup TEXT, Tank TEXT, Full REAL, Unit TEXT, Rows BLOB,
    Printout TEXT);
CREATE INDEX ChartHistoryIds ON ChartHistory(Id);
CREATE VIRTUAL TABLE ChartHistorySearch USING fts5(Words, tokenize='trigram');
INSERT INTO mrQRT(mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo)
    VALUES('Client Name', '', '', '');
COMMIT;
